#include "platform/appkit/NSBeep.h"

#include <QApplication>

#include <mutex>
#include <utility>

namespace {

std::mutex sBeepLock;

NSBeepSink& beepSink() {
    static NSBeepSink sSink;
    return sSink;
}

} // namespace

void NSBeep() {
    NSBeepSink sink;
    {
        std::lock_guard guard(sBeepLock);
        sink = beepSink();
    }
    if (sink)
        sink();
    else if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep(); // needs the widget application's platform integration
}

NSBeepSink NSSetBeepSink(NSBeepSink sink) {
    std::lock_guard guard(sBeepLock);
    return std::exchange(beepSink(), std::move(sink));
}
