#pragma once

class NSError;

// Writes through NSLog: "VERIFIED_NSERROR(<error description>, FN:<function> __FILE__:<file>
// __LINE__:<line>\n<note>".
void __VerifiedNSErrorNilBody(const NSError* error, const char* file, const char* function,
                              int line, const char* note);

inline bool _VerifiedNSError(const NSError* error, const char* file, const char* function,
                             int line) {
    if (error)
        __VerifiedNSErrorNilBody(error, file, function, line, " SOURCE error");
    return error == nullptr;
}

// VERIFIED_NSERROR(error): reports an error object that a platform call left in its error
// out-parameter; evaluates to true when there was none.
#define VERIFIED_NSERROR(error) _VerifiedNSError((error), __FILE__, __func__, __LINE__)
// The same inside a method that names itself: VERIFIED_NSERROR_IN("-[Class method:]", error).
#define VERIFIED_NSERROR_IN(function_name, error)                                                  \
    _VerifiedNSError((error), __FILE__, function_name, __LINE__)
