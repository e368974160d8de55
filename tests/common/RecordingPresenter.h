#pragma once

#include "platform/appkitcore/NSAlert.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <QThread>

#include <atomic>

namespace lumenreel::test {

// Records the alerts it is asked to show and answers them as scripted: with the next of
// `answers`, then with `answer`.
class RecordingPresenter : public NSAlertPresenter {
public:
    NSModalResponse presentAlert(const NSAlert& alert) override {
        const QString informative = alert.informativeText();
        messages << (informative.isEmpty() ? alert.messageText()
                                           : alert.messageText() + QLatin1Char(' ') + informative);
        buttons << alert.buttonTitles();
        onMainThread =
            onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        ++shown;
        return answers.isEmpty() ? answer : answers.takeFirst();
    }

    QStringList messages; // message text, then the informative text after a space
    QList<QStringList> buttons;
    bool onMainThread = true;  // every alert came on the main thread
    std::atomic<int> shown{0}; // may be read on any thread
    QList<NSModalResponse> answers;
    NSModalResponse answer = NSAlertFirstButtonReturn;
};

} // namespace lumenreel::test
