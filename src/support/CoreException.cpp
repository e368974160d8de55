#include "support/CoreException.h"

#include <cstdarg>
#include <cstdio>

char CoreException::sMessageBuffer[CoreException::kMessageBufferSize];

CoreException::CoreException(const char* format, ...) : mMessage(sMessageBuffer) {
    sMessageBuffer[0] = '\0';
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(sMessageBuffer, sizeof(sMessageBuffer), format, args);
    va_end(args);
}
