#pragma once

#include "platform/appkitcore/NSAlert.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <atomic>

namespace lumenreel::test {

// Records the alerts it is asked to show, and whether each came on the main thread.
class RecordingPresenter : public NSAlertPresenter {
public:
    NSModalResponse presentAlert(const NSAlert& alert) override {
        messages.append(alert.messageText());
        onMainThread =
            onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        return NSAlertFirstButtonReturn;
    }
    QStringList messages;
    bool onMainThread = true;
};

} // namespace lumenreel::test
