#pragma once

#include "platform/foundation/NSLog.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

namespace lumenreel::test {

// Collects the NSLog lines written while it exists (standard error is left alone).
class LogCapture {
public:
    LogCapture() {
        mFile.open();
        mPrevious = NSLogSetOutputDescriptor(mFile.handle());
    }
    ~LogCapture() { NSLogSetOutputDescriptor(mPrevious); }
    QString text() {
        QFile reader(mFile.fileName());
        reader.open(QIODevice::ReadOnly);
        return QString::fromUtf8(reader.readAll());
    }
    // The lines written so far, without their time stamp and process prefix.
    QStringList lines() {
        // "YYYY-MM-DD hh:mm:ss.mmm process[pid:thread] text"
        static const QRegularExpression prefix(QStringLiteral("^\\S+ \\S+ \\S+\\[[^\\]]*\\] "));
        QStringList result;
        for (const QString& line : text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            result << QString(line).remove(prefix);
        return result;
    }
    // How many lines are exactly `line`.
    int count(const QString& line) { return int(lines().count(line)); }

private:
    QTemporaryFile mFile;
    int mPrevious = 2;
};

} // namespace lumenreel::test
