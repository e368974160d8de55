#include "platform/foundation/NSLog.h"

#include "platform/foundation/NSObject.h"

#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::atomic<int> sOutputDescriptor{STDERR_FILENO};

// printf of one conversion with its flags, width and precision; `spec` holds them.
template <class T>
std::string formatOne(const std::string& spec, T value) {
    char small[128];
    const int needed = std::snprintf(small, sizeof(small), spec.c_str(), value);
    if (needed < 0)
        return {};
    if (std::size_t(needed) < sizeof(small))
        return std::string(small, std::size_t(needed));
    std::string large(std::size_t(needed) + 1, '\0');
    std::snprintf(large.data(), large.size(), spec.c_str(), value);
    large.resize(std::size_t(needed));
    return large;
}

std::uint64_t asUnsigned(const NSLogArgument& argument) {
    switch (argument.kind) {
    case NSLogArgument::Kind::Unsigned:
        return argument.u;
    case NSLogArgument::Kind::Signed: {
        // Two's complement at the argument's own width, as printf shows a negative int with %x.
        const unsigned bits = argument.byteSize ? argument.byteSize * 8 : 64;
        const std::uint64_t value = std::uint64_t(argument.s);
        return bits >= 64 ? value : value & ((std::uint64_t(1) << bits) - 1);
    }
    case NSLogArgument::Kind::Floating:
        return std::uint64_t(std::int64_t(argument.f));
    case NSLogArgument::Kind::Pointer:
        return std::uint64_t(reinterpret_cast<std::uintptr_t>(argument.pointer));
    default:
        return 0;
    }
}

std::int64_t asSigned(const NSLogArgument& argument) {
    switch (argument.kind) {
    case NSLogArgument::Kind::Signed:
        return argument.s;
    case NSLogArgument::Kind::Unsigned:
        return std::int64_t(argument.u);
    case NSLogArgument::Kind::Floating:
        return std::int64_t(argument.f);
    case NSLogArgument::Kind::Pointer:
        return std::int64_t(reinterpret_cast<std::intptr_t>(argument.pointer));
    default:
        return 0;
    }
}

double asDouble(const NSLogArgument& argument) {
    switch (argument.kind) {
    case NSLogArgument::Kind::Floating:
        return argument.f;
    case NSLogArgument::Kind::Signed:
        return double(argument.s);
    case NSLogArgument::Kind::Unsigned:
        return double(argument.u);
    default:
        return 0.0;
    }
}

QString asText(const NSLogArgument& argument) {
    switch (argument.kind) {
    case NSLogArgument::Kind::CString:
        return argument.cstring ? QString::fromUtf8(argument.cstring) : QStringLiteral("(null)");
    case NSLogArgument::Kind::Text:
        return argument.text;
    case NSLogArgument::Kind::Object:
        return argument.object ? argument.object->description() : QStringLiteral("(null)");
    case NSLogArgument::Kind::Pointer:
        return argument.pointer
                   ? QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(argument.pointer), 0, 16)
                   : QStringLiteral("(null)");
    case NSLogArgument::Kind::Signed:
        return QString::number(argument.s);
    case NSLogArgument::Kind::Unsigned:
        return QString::number(argument.u);
    case NSLogArgument::Kind::Floating:
        return QString::number(argument.f);
    }
    return {};
}

// Applies width, precision and the "-" flag of a %s or %@ conversion to a text.
QString padText(QString text, const std::string& flags, int width, int precision) {
    if (precision >= 0 && text.size() > precision)
        text.truncate(precision);
    if (width > text.size()) {
        const QString padding(width - text.size(), QLatin1Char(' '));
        text = flags.find('-') != std::string::npos ? text + padding : padding + text;
    }
    return text;
}

std::string processName() {
    return program_invocation_short_name ? program_invocation_short_name : "unknown";
}

void writeAll(int fd, const std::string& data) {
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        written += std::size_t(n);
    }
}

} // namespace

QString NSStringFromFormat(const char* format, const std::vector<NSLogArgument>& arguments) {
    QString result;
    if (!format)
        return result;
    std::size_t next = 0;
    std::string literal;
    auto flushLiteral = [&] {
        result += QString::fromUtf8(literal.data(), qsizetype(literal.size()));
        literal.clear();
    };
    for (const char* p = format; *p;) {
        if (*p != '%') {
            literal += *p++;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            literal += '%';
            ++p;
            continue;
        }
        std::string flags;
        while (*p && std::strchr("-+ #0'", *p))
            flags += *p++;
        int width = -1;
        if (*p == '*') {
            width = next < arguments.size() ? int(asSigned(arguments[next++])) : 0;
            if (width < 0) {
                flags += '-';
                width = -width;
            }
            ++p;
        } else if (*p >= '0' && *p <= '9') {
            width = 0;
            while (*p >= '0' && *p <= '9')
                width = width * 10 + (*p++ - '0');
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                precision = next < arguments.size() ? int(asSigned(arguments[next++])) : 0;
                ++p;
            } else {
                while (*p >= '0' && *p <= '9')
                    precision = precision * 10 + (*p++ - '0');
            }
        }
        while (*p && std::strchr("hlLqjzt", *p))
            ++p;
        const char conversion = *p;
        if (!conversion || !std::strchr("@diouxXcsfFeEgGaAp", conversion)) {
            // Not a conversion: the text stays as written.
            literal.append(start, std::size_t(p - start));
            continue;
        }
        ++p;
        flushLiteral();
        if (next >= arguments.size())
            continue;
        const NSLogArgument& argument = arguments[next++];
        std::string spec(1, '%');
        spec.append(flags);
        if (width >= 0)
            spec.append(std::to_string(width));
        if (precision >= 0) {
            spec.push_back('.');
            spec.append(std::to_string(precision));
        }
        auto with = [&spec](const char* tail) {
            std::string full(spec);
            full.append(tail);
            return full;
        };
        switch (conversion) {
        case '@':
        case 's':
            result += padText(asText(argument), flags, width, precision);
            break;
        case 'd':
        case 'i':
            result += QString::fromStdString(
                formatOne(with("lld"), static_cast<long long>(asSigned(argument))));
            break;
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            result += QString::fromStdString(
                formatOne(with(conversion == 'o'   ? "llo"
                               : conversion == 'u' ? "llu"
                               : conversion == 'x' ? "llx"
                                                   : "llX"),
                          static_cast<unsigned long long>(asUnsigned(argument))));
            break;
        case 'c':
            result += QString::fromStdString(formatOne(with("c"), int(asSigned(argument))));
            break;
        case 'p':
            result += QString::fromStdString(formatOne(
                with("p"), reinterpret_cast<void*>(std::uintptr_t(asUnsigned(argument)))));
            break;
        default:
            result += QString::fromStdString(
                formatOne(with(std::string(1, conversion).c_str()), asDouble(argument)));
            break;
        }
    }
    flushLiteral();
    return result;
}

void NSLogv(const char* format, const std::vector<NSLogArgument>& arguments) {
    const std::string text = NSStringFromFormat(format, arguments).toStdString();

    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[64];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);
    char header[160];
    std::snprintf(header, sizeof(header), "%s.%03ld %s[%d:%ld] ", stamp, now.tv_nsec / 1000000,
                  processName().c_str(), int(::getpid()), long(::syscall(SYS_gettid)));

    std::string line(header);
    line.append(text);
    if (line.empty() || line.back() != '\n')
        line += '\n';
    writeAll(sOutputDescriptor.load(), line);
    syslog(LOG_USER | LOG_NOTICE, "%s", text.c_str());
}

int NSLogSetOutputDescriptor(int fd) {
    return sOutputDescriptor.exchange(fd);
}
