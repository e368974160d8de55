#pragma once

// The exception the string classes throw when a precondition is broken. Not caught anywhere:
// a throw ends the process.
//
// Every instance points at one class-wide 2048-byte text buffer, so making a new exception
// changes the text that earlier ones show.
class CoreException {
public:
    // Formats printf-style into the shared buffer; longer texts are cut at its end.
    explicit CoreException(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const char* what() const { return mMessage; }

    static constexpr unsigned kMessageBufferSize = 2048;

private:
    const char* mMessage;
    static char sMessageBuffer[kMessageBufferSize];
};
