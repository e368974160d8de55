#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace lumenreel::test {

bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QString testDataPath(const QString& relative) {
    const QString root = qEnvironmentVariable("LUMENREEL_TEST_DATA");
    return relative.isEmpty() ? root : QDir(root).filePath(relative);
}

QString resource(const QString& name) {
    return QStringLiteral(LUMENREEL_RESOURCES_DIR "/") + name;
}

} // namespace lumenreel::test
