#pragma once

#include "platform/foundation/NSObject.h"

#include <QString>
#include <QStringList>

#include <memory>

class NSAlert;
class NSError;

// The button that dismissed an alert.
using NSModalResponse = int;
constexpr NSModalResponse NSAlertFirstButtonReturn = 1000;
constexpr NSModalResponse NSAlertSecondButtonReturn = 1001;

// Shows an alert to the user and returns when it is dismissed. Always called on the main thread
// (or on the only thread, where there is no application object).
class NSAlertPresenter {
public:
    virtual ~NSAlertPresenter() = default;
    virtual NSModalResponse presentAlert(const NSAlert& alert) = 0;
};

// Writes the alert's texts as one line to standard error: the command-line tool's alerts.
class NSAlertStandardErrorPresenter : public NSAlertPresenter {
public:
    NSModalResponse presentAlert(const NSAlert& alert) override;
};

// A message for the user, shown modally by the process-wide presenter.
class NSAlert : public NSObject {
    Q_OBJECT
public:
    NSAlert();

    // An alert describing an error: its description as the message. Autoreleased.
    static NSAlert* alertWithError(const NSError* error);
    static NSAlert* alertWithError(const QString& errorDescription);

    QString messageText() const { return mMessageText; }
    void setMessageText(const QString& text) { mMessageText = text; }
    QString informativeText() const { return mInformativeText; }
    void setInformativeText(const QString& text) { mInformativeText = text; }
    // The buttons, first (the default) to last; one "OK" button when none is added. The button
    // pressed answers NSAlertFirstButtonReturn plus its index.
    void addButtonWithTitle(const QString& title) { mButtonTitles.append(title); }
    const QStringList& buttonTitles() const { return mButtonTitles; }

    // Presents the alert on the main thread and returns once the user dismissed it. Called on
    // another thread, that thread waits for the main thread.
    NSModalResponse runModal();

    // The presenter every alert uses: by default a dialog in a widget application (once the
    // window library has registered how to make one) and standard error otherwise. Null
    // restores the default.
    static void setPresenter(std::shared_ptr<NSAlertPresenter> presenter);
    static std::shared_ptr<NSAlertPresenter> presenter();
    // How the default presenter of a widget application is made; the window library registers
    // its dialog presenter when the application object is made.
    using DialogPresenterFactory = std::shared_ptr<NSAlertPresenter> (*)();
    static void setDialogPresenterFactory(DialogPresenterFactory factory);

private:
    QString mMessageText;
    QString mInformativeText;
    QStringList mButtonTitles;
};
