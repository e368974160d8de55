#pragma once

#include <cstdint>

// A system version in packed decimal: 0x1070 is 10.7.0, 0x1068 is 10.6.8. Compared as integers.
using CoreSystemName = std::uint32_t;

class CoreSystem {
public:
    // The running system's version, asked once and cached; 0 (with a report) when it cannot be
    // had, in which case the next call asks again.
    static CoreSystemName GetVersion();
    static CoreSystemName GetSystemName() { return GetVersion(); }
    static bool IsEarlierThanRevision(CoreSystemName name) { return GetSystemName() < name; }
    static bool IsAtLeast(CoreSystemName name) { return GetSystemName() >= name; }
    // True when the system framework can be loaded and exports the function. Loads it through
    // a handle of its own, unloaded again before returning.
    static bool SystemFrameworkHasFunction(const char* frameworkName, const char* functionName);

    // For tests: forget the cached version.
    static void ResetCachedVersionForTesting();

    // The system name, read once at load time.
    static CoreSystemName sSystemNameAtLoad;
};
