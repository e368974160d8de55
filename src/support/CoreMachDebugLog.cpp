#include "support/CoreMachDebugLog.h"

#include "platform/system/Folders.h"
#include "platform/system/asl.h"
#include "support/CoreServicesFramework.h"

#include <syslog.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

__attribute__((weak)) const char* g_CoreMachDebug_LogPrefix = "CoreMachDebugLog";
__attribute__((weak)) const char* g_CoreMachDebug_LogFileName = "CoreMachDebugLog.log";

namespace {

constexpr std::size_t kLogBufferSize = 1024;

std::atomic<std::int32_t> sLogOutput{kCoreLogOutputFile};
FSRef sUserLogsFolder;
char sUserLogsPath[kLogBufferSize];
char sCoreDebugLogFileName[kLogBufferSize];
bool fClassInitialized = false;
// Set while this thread runs the initialisation: its own failure reports come back through
// the log and must not start it again.
thread_local bool sInitializing = false;

// The logs folder through the file system's own calls: the FSRef helpers of this library report
// their failures through this log, so the log does not use them.
bool logsFolderIsValid() {
    return noErr ==
           FSGetCatalogInfo(&sUserLogsFolder, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr);
}

bool logsFolderPath() {
    if (!logsFolderIsValid() ||
        noErr != FSRefMakePath(&sUserLogsFolder, reinterpret_cast<UInt8*>(sUserLogsPath),
                               static_cast<UInt32>(sizeof(sUserLogsPath)))) {
        sUserLogsPath[0] = '\0';
        return false;
    }
    return true;
}

const char* logPrefix() {
    return g_CoreMachDebug_LogPrefix ? g_CoreMachDebug_LogPrefix : "";
}

void appendToLogFile(const char* text) {
    if (!fClassInitialized && !sInitializing) {
        sInitializing = true;
        fClassInitialized = CoreMachDebugLogClassInitialize();
        sInitializing = false;
    }
    if (sCoreDebugLogFileName[0] == '\0')
        return;
    FILE* file = std::fopen(sCoreDebugLogFileName, "a");
    if (!file)
        return;
    std::fseek(file, 0, SEEK_END);
    std::fputs(text, file);
    std::fclose(file);
}

} // namespace

void CoreMachDebugLogSetUseLogger(kCoreLogOutput kind) {
    sLogOutput.store(kind);
}

kCoreLogOutput CoreMachDebugLogGetUseLogger() {
    return kCoreLogOutput(sLogOutput.load());
}

void CoreMachDebugLog(const char* format, ...) {
    if (!format)
        return;
    char buffer[kLogBufferSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (written < 0)
        return;
    CoreMachDebugLogString(buffer);
}

void CoreMachDebugLogString(const char* text) {
    if (!text)
        return;
    switch (sLogOutput.load()) {
    case kCoreLogOutputASL: {
        aslclient client = asl_open(logPrefix(), "CoreMachDebugLog", ASL_OPT_STDERR);
        asl_log(client, nullptr, ASL_LEVEL_DEBUG, "%s\n", text);
        asl_close(client);
        return;
    }
    case kCoreLogOutputSyslog:
        syslog(LOG_DEBUG, "%s:%s\n", logPrefix(), text);
        return;
    case kCoreLogOutputStdoutAndFile:
        std::fprintf(stdout, "%s:%s", logPrefix(), text);
        std::fflush(stdout);
        appendToLogFile(text);
        return;
    default:
        appendToLogFile(text);
        return;
    }
}

bool CoreMachDebugLogClassInitialize() {
    if (logsFolderIsValid() && sCoreDebugLogFileName[0] != '\0')
        return true;
    // A folder found by an attempt that failed later is looked up again with the rest.
    std::memset(&sUserLogsFolder, 0, sizeof(sUserLogsFolder));
    const SInt16 domain = kUserDomain;
    if (VERIFY_OSERR(FSFindFolder(domain, kLogsFolderType, kDontCreateFolder, &sUserLogsFolder)) !=
        noErr) {
        std::memset(&sUserLogsFolder, 0, sizeof(sUserLogsFolder));
        return false;
    }
    bool fOk = false;
    sUserLogsPath[0] = '\0';
    if (!VERIFY(fOk = logsFolderPath()))
        return false;
    const char* leaf = (g_CoreMachDebug_LogFileName && g_CoreMachDebug_LogFileName[0])
                           ? g_CoreMachDebug_LogFileName
                           : "CoreConsole.log";
    // A path cut at the buffer's end would name another file: refuse it instead.
    if (!VERIFY(fOk = (std::strlen(sUserLogsPath) + 1 + std::strlen(leaf) <
                       sizeof(sCoreDebugLogFileName))))
        return false;
    const std::size_t folderLength = std::strlen(sUserLogsPath);
    std::memcpy(sCoreDebugLogFileName, sUserLogsPath, folderLength);
    sCoreDebugLogFileName[folderLength] = '/';
    std::memcpy(sCoreDebugLogFileName + folderLength + 1, leaf, std::strlen(leaf) + 1);
    return true;
}

void _CoreMachDebugVerifyBody(const char* function, const char* file, int line,
                              const char* expression) {
    CoreMachDebugLog("VERIFY FAILED: %s in %s:%d (%s)\n", expression ? expression : "",
                     file ? file : "", line, function ? function : "");
}

void _CoreMachDebugVerifyOSerrBody(int err, const char* function, const char* file, int line,
                                   const char* expression) {
    const char* name = CoreServicesFramework::StatusText("GetMacOSStatusErrorString", err);
    const char* comment = CoreServicesFramework::StatusText("GetMacOSStatusCommentString", err);
    CoreMachDebugLog("VERIFY_OSERR FAILED: OSErr:%d (%s/%s) %s in %s:%d (%s)\n", err, name, comment,
                     expression ? expression : "", file ? file : "", line,
                     function ? function : "");
}

void CoreMachDebugLogResetForTesting() {
    std::memset(&sUserLogsFolder, 0, sizeof(sUserLogsFolder));
    sUserLogsPath[0] = '\0';
    sCoreDebugLogFileName[0] = '\0';
    fClassInitialized = false;
}

bool CoreMachDebugLogIsInitializedForTesting() {
    return fClassInitialized;
}
