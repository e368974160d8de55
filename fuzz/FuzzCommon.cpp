#include "FuzzCommon.h"

#include "support/CoreMachDebugLog.h"

#include <cstdio>
#include <cstdlib>

void FuzzQuietDebugLog() {
    ::setenv("XDG_STATE_HOME", "/nonexistent/lumenreel-fuzz-state", 1);
    CoreMachDebugLogSetUseLogger(kCoreLogOutputFile);
}

void FuzzCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

std::uint8_t FuzzInput::byte() {
    if (mSize == 0)
        return 0;
    const std::uint8_t value = *mData;
    ++mData;
    --mSize;
    return value;
}

std::uint32_t FuzzInput::u32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | byte();
    return value;
}

std::string FuzzInput::text(std::size_t max) {
    std::size_t length = byte();
    if (length > max)
        length %= max + 1;
    if (length > mSize)
        length = mSize;
    std::string out(reinterpret_cast<const char*>(mData), length);
    mData += length;
    mSize -= length;
    return out;
}

std::string FuzzInput::rest() {
    std::string out(reinterpret_cast<const char*>(mData), mSize);
    mData += mSize;
    mSize = 0;
    return out;
}
