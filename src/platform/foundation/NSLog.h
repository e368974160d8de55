#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

class NSObject;

// One argument of NSLog, kept with its kind so that each conversion reads the right value.
struct NSLogArgument {
    enum class Kind { Signed, Unsigned, Floating, CString, Text, Object, Pointer };
    Kind kind = Kind::Signed;
    std::int64_t s = 0;
    std::uint64_t u = 0;
    unsigned byteSize = 0; // of the original integer, for %x and friends on negative numbers
    double f = 0.0;
    const char* cstring = nullptr;
    QString text;
    const NSObject* object = nullptr;
    const void* pointer = nullptr;

    NSLogArgument(const char* value) : kind(Kind::CString), cstring(value) {}
    NSLogArgument(char* value) : kind(Kind::CString), cstring(value) {}
    NSLogArgument(const std::string& value)
        : kind(Kind::Text), text(QString::fromStdString(value)) {}
    NSLogArgument(const QString& value) : kind(Kind::Text), text(value) {}
    NSLogArgument(std::nullptr_t) : kind(Kind::Pointer) {}
    NSLogArgument(bool value) : kind(Kind::Signed), s(value ? 1 : 0), byteSize(sizeof(int)) {}
    template <class T, std::enable_if_t<std::is_base_of_v<NSObject, T>, int> = 0>
    NSLogArgument(const T* value) : kind(Kind::Object), object(value) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    NSLogArgument(T value) : kind(Kind::Signed), s(value), byteSize(sizeof(T)) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                            !std::is_same_v<T, bool>,
                                        int> = 0>
    NSLogArgument(T value) : kind(Kind::Unsigned), u(value), byteSize(sizeof(T)) {}
    template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
    NSLogArgument(T value) : NSLogArgument(static_cast<std::underlying_type_t<T>>(value)) {}
    NSLogArgument(double value) : kind(Kind::Floating), f(value) {}
    NSLogArgument(float value) : kind(Kind::Floating), f(value) {}
    NSLogArgument(long double value) : kind(Kind::Floating), f(double(value)) {}
    template <class T, std::enable_if_t<!std::is_base_of_v<NSObject, T> &&
                                            !std::is_same_v<std::remove_cv_t<T>, char>,
                                        int> = 0>
    NSLogArgument(const T* value) : kind(Kind::Pointer), pointer(value) {}
};

// Formats with printf rules, where "%@" prints an object's description ("(null)" for nil), a
// QString, a std::string or a C string. Conversions read the argument as given, so a wrong
// length modifier cannot read the wrong amount; a missing argument prints nothing and "%%"
// prints "%". The text of an argument is never read as a format.
QString NSStringFromFormat(const char* format, const std::vector<NSLogArgument>& arguments);

// Writes one line "YYYY-MM-DD hh:mm:ss.mmm process[pid:thread] text" to standard error (a
// newline is added when the text lacks one) and the text to the system log.
void NSLogv(const char* format, const std::vector<NSLogArgument>& arguments);

template <class... Args>
void NSLog(const char* format, const Args&... args) {
    NSLogv(format, std::vector<NSLogArgument>{NSLogArgument(args)...});
}

// Where NSLog lines go besides the system log; standard error (file descriptor 2) by default.
// Returns the previous descriptor. For tests and for redirecting console output.
int NSLogSetOutputDescriptor(int fd);
