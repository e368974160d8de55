#pragma once

#include <cstdint>

// The program's diagnostics channel. Texts go to one of four destinations; the checks below
// write one line for each failed expression and let the caller carry on.

enum kCoreLogOutput : std::int32_t {
    kCoreLogOutputFile = 0,          // appended to the log file (any unknown value too)
    kCoreLogOutputASL = 1,           // one Apple System Log record, copied to standard error
    kCoreLogOutputSyslog = 2,        // one syslog record "prefix:text"
    kCoreLogOutputStdoutAndFile = 4, // "prefix:text" on standard output, then the file
};

// Identity of console and syslog lines and of ASL records ("CoreMachDebugLog").
extern const char* g_CoreMachDebug_LogPrefix;
// Leaf name of the log file in the user's Logs folder ("CoreMachDebugLog.log"); an empty text
// means "CoreConsole.log". Both are defined weakly: a program may define its own.
extern const char* g_CoreMachDebug_LogFileName;

// Selects the destination of the next texts.
void CoreMachDebugLogSetUseLogger(kCoreLogOutput kind);
kCoreLogOutput CoreMachDebugLogGetUseLogger();

// Formats printf-style into 1024 bytes (longer texts are cut) and writes the result. Adds no
// newline: formats end in "\n".
void CoreMachDebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes one finished text unchanged to the current destination. Never fails visibly.
void CoreMachDebugLogString(const char* text);
// Finds the user's Logs folder and forms the log file's path; true on success.
bool CoreMachDebugLogClassInitialize();

// "VERIFY FAILED: <expression> in <file>:<line> (<function>)\n"
void _CoreMachDebugVerifyBody(const char* function, const char* file, int line,
                              const char* expression);
// "VERIFY_OSERR FAILED: OSErr:<err> (<name>/<comment>) <expression> in <file>:<line>
// (<function>)\n" with the status code's name and comment from CoreServices.framework, or empty
// texts.
void _CoreMachDebugVerifyOSerrBody(int err, const char* function, const char* file, int line,
                                   const char* expression);

inline bool _CoreMachDebugVerify(bool ok, const char* function, const char* file, int line,
                                 const char* expression) {
    if (!ok)
        _CoreMachDebugVerifyBody(function, file, line, expression);
    return ok;
}

inline int _CoreMachDebugVerifyOSerr(int err, const char* function, const char* file, int line,
                                     const char* expression) {
    if (err != 0)
        _CoreMachDebugVerifyOSerrBody(err, function, file, line, expression);
    return err;
}

// VERIFY(expression): reports a false (zero, null) expression; evaluates to whether it held.
// The line shows the expression's source text behind " code : ", e.g.
//   if (!VERIFY(fOk = (0 == unlink(in_path)))) return false;
#define VERIFY(...)                                                                                \
    _CoreMachDebugVerify(static_cast<bool>(__VA_ARGS__), __func__, __FILE__, __LINE__,             \
                         " code : " #__VA_ARGS__)

// VERIFY_OSERR(status call): reports a non-zero status (a 16-bit status is sign-extended);
// evaluates to the status.
#define VERIFY_OSERR(...)                                                                          \
    _CoreMachDebugVerifyOSerr(static_cast<int>(__VA_ARGS__), __func__, __FILE__, __LINE__,         \
                              " code : " #__VA_ARGS__)

// The same for code that names its function itself, such as the methods of object-model
// classes: VERIFY_IN("+[NSUIToolButton setDefaultCellAttributes:]", cell != nullptr).
#define VERIFY_IN(function_name, ...)                                                              \
    _CoreMachDebugVerify(static_cast<bool>(__VA_ARGS__), function_name, __FILE__, __LINE__,        \
                         " code : " #__VA_ARGS__)
#define VERIFY_OSERR_IN(function_name, ...)                                                        \
    _CoreMachDebugVerifyOSerr(static_cast<int>(__VA_ARGS__), function_name, __FILE__, __LINE__,    \
                              " code : " #__VA_ARGS__)

// VERIFY_AT(line, text, expression) and VERIFY_IN_AT(function_name, line, text, expression):
// checks whose report is fixed data rather than a product of the source's layout. The report
// carries `line` instead of the check's own line and `text` (a string literal) as the expression
// text behind " code : ", so formatting or editing the file changes neither:
//   if (!VERIFY_AT(105, "in_cstring!=NULL", in_cstring != nullptr)) return false;
#define VERIFY_AT(line, text, ...)                                                                 \
    _CoreMachDebugVerify(static_cast<bool>(__VA_ARGS__), __func__, __FILE__, line, " code : " text)
#define VERIFY_IN_AT(function_name, line, text, ...)                                               \
    _CoreMachDebugVerify(static_cast<bool>(__VA_ARGS__), function_name, __FILE__, line,            \
                         " code : " text)
