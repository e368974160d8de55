#include "platform/appkit/NSAlertDialogPresenter.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

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
