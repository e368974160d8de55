#pragma once

#include "platform/foundation/NSLog.h"

#include <QFile>
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

private:
    QTemporaryFile mFile;
    int mPrevious = 2;
};

} // namespace lumenreel::test
