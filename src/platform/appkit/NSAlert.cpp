#include "platform/appkit/NSAlert.h"

#include "platform/foundation/NSError.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {

std::mutex sPresenterMutex;
std::shared_ptr<NSAlertPresenter> sPresenter;

std::shared_ptr<NSAlertPresenter> defaultPresenter() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        return std::make_shared<NSAlertDialogPresenter>();
    return std::make_shared<NSAlertStandardErrorPresenter>();
}

} // namespace

NSModalResponse NSAlertDialogPresenter::presentAlert(const NSAlert& alert) {
    // Titled with the application's name as users know it, not its executable's.
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                    alert.messageText());
    box.setInformativeText(alert.informativeText());
    const QStringList titles =
        alert.buttonTitles().isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttonTitles();
    QList<QAbstractButton*> buttons;
    for (const QString& title : titles)
        buttons.append(box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole
                                                              : QMessageBox::RejectRole));
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.exec();
    const qsizetype pressed = buttons.indexOf(box.clickedButton());
    // Closing the box without a button counts as the last button (the cancelling one).
    return NSAlertFirstButtonReturn + int(pressed >= 0 ? pressed : buttons.size() - 1);
}

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
