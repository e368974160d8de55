#pragma once

#include "platform/appkit/NSControl.h"

// A push button, a check box ("switch") or a two-state push button ("toggle"): the title, the
// state (0 off, 1 on; also the binding "value") and the key that presses it. A click changes
// the state of a check box or toggle first, then sends the action. Main thread only.
class NSButton : public NSControl {
    Q_OBJECT
    NS_DECLARE_CLASS(NSButton)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString buttonType READ buttonType WRITE setButtonType)
    Q_PROPERTY(int state READ state WRITE setState)
    Q_PROPERTY(int value READ state WRITE setState)
    Q_PROPERTY(QString keyEquivalent READ keyEquivalent WRITE setKeyEquivalent)
public:
    NSButton();

    QString title() const { return mTitle; }
    void setTitle(const QString& title);
    // "push" (the default), "switch" (a check box) or "toggle".
    QString buttonType() const { return mButtonType; }
    void setButtonType(const QString& type);
    int state() const { return mState; }
    void setState(int state);
    QString keyEquivalent() const { return mKeyEquivalent; }
    void setKeyEquivalent(const QString& key);

    // What a click does: the state changes (check box, toggle), then the action is sent.
    Q_INVOKABLE void performClick(NSObject* sender);

protected:
    QWidget* makeControlWidget() override;

private:
    void showState();

    QString mTitle;
    QString mButtonType = QStringLiteral("push");
    int mState = 0;
    QString mKeyEquivalent;
};

int import_NSButton();
