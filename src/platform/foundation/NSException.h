#pragma once

#include <QString>

// The platform exception. It is deliberately not derived from std::exception: code that handles
// platform exceptions catches NSException alone and lets every other C++ exception pass.
class NSException {
public:
    NSException(QString name, QString reason);

    // Raises a new exception of that name and reason.
    [[noreturn]] static void raise(const QString& name, const QString& reason);

    const QString& name() const { return mName; }
    const QString& reason() const { return mReason; }
    // What log lines print for the exception ("%@"): the reason.
    QString description() const { return mReason; }

private:
    QString mName;
    QString mReason;
};

// Exception names the stand-ins raise.
inline constexpr char NSUnknownKeyException[] = "NSUnknownKeyException";
inline constexpr char NSInvalidArgumentException[] = "NSInvalidArgumentException";
inline constexpr char NSInvalidUnarchiveOperationException[] =
    "NSInvalidUnarchiveOperationException";
inline constexpr char NSInvalidArchiveOperationException[] = "NSInvalidArchiveOperationException";
