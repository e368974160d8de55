#pragma once

#include "platform/appkit/NSView.h"

#include <QPointer>
#include <QString>
#include <QVariant>

// A view that the user acts on: it sends its action (a selector) to its target when used, and
// announces every change the user makes to one of its values with userChangedValue, which
// bindings write back. Values set in code announce nothing. Main thread only.
class NSControl : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSControl)
    Q_PROPERTY(NSObject* target READ target WRITE setTarget)
    Q_PROPERTY(QString action READ action WRITE setAction)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
public:
    NSControl();

    // Not retained.
    NSObject* target() const { return mTarget; }
    void setTarget(NSObject* target) { mTarget = target; }
    QString action() const { return mAction; }
    void setAction(const QString& selector) { mAction = selector; }
    bool isEnabled() const { return mEnabled; }
    virtual void setEnabled(bool enabled);

    // Sends the action to the target with this control as the argument; false without either.
    bool sendAction();

Q_SIGNALS:
    // The user changed the value named `binding` ("value", "selectedTag", ...).
    void userChangedValue(const QString& binding);

protected:
    QWidget* makeWidget() override;
    // Makes the Qt control that shows this one; the default is a plain view's widget.
    virtual QWidget* makeControlWidget();

private:
    QPointer<NSObject> mTarget;
    QString mAction;
    bool mEnabled = true;
};

int import_NSControl();
