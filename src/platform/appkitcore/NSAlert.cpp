#include "platform/appkitcore/NSAlert.h"

#include "platform/foundation/NSError.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {

std::mutex sPresenterMutex;
std::shared_ptr<NSAlertPresenter> sPresenter;
NSAlert::DialogPresenterFactory sDialogPresenterFactory = nullptr;

std::shared_ptr<NSAlertPresenter> defaultPresenter() {
    const QCoreApplication* application = QCoreApplication::instance();
    if (sDialogPresenterFactory && application && application->inherits("QApplication"))
        return sDialogPresenterFactory();
    return std::make_shared<NSAlertStandardErrorPresenter>();
}

} // namespace

NSModalResponse NSAlertStandardErrorPresenter::presentAlert(const NSAlert& alert) {
    QString line = alert.messageText();
    if (!alert.informativeText().isEmpty())
        line += QStringLiteral(" ") + alert.informativeText();
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
    return NSAlertFirstButtonReturn;
}

NSAlert::NSAlert() = default;

NSAlert* NSAlert::alertWithError(const QString& errorDescription) {
    auto* alert = new NSAlert;
    alert->setMessageText(errorDescription);
    return static_cast<NSAlert*>(alert->autorelease());
}

NSAlert* NSAlert::alertWithError(const NSError* error) {
    NSAlert* alert = alertWithError(error ? error->localizedDescription()
                                          : QStringLiteral("An unknown error occurred."));
    if (error)
        alert->setInformativeText(
            error->userInfo().value(QStringLiteral("NSLocalizedRecoverySuggestion")).toString());
    return alert;
}

NSModalResponse NSAlert::runModal() {
    std::shared_ptr<NSAlertPresenter> shown = presenter();
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread())
        return shown->presentAlert(*this);
    NSModalResponse response = 0;
    NSRef<NSAlert> keep(this);
    QMetaObject::invokeMethod(
        application, [&] { response = shown->presentAlert(*this); }, Qt::BlockingQueuedConnection);
    return response;
}

void NSAlert::setPresenter(std::shared_ptr<NSAlertPresenter> presenter) {
    std::lock_guard lock(sPresenterMutex);
    sPresenter = std::move(presenter);
}

std::shared_ptr<NSAlertPresenter> NSAlert::presenter() {
    std::lock_guard lock(sPresenterMutex);
    if (!sPresenter)
        sPresenter = defaultPresenter();
    return sPresenter;
}

void NSAlert::setDialogPresenterFactory(DialogPresenterFactory factory) {
    std::lock_guard lock(sPresenterMutex);
    sDialogPresenterFactory = factory;
}
