#include "platform/appkit/NSButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>

NS_IMPLEMENT_CLASS(NSButton, NSControl)

int import_NSButton() {
    return NSButton::classObject() != nullptr ? 1 : 0;
}

NSButton::NSButton() = default;

void NSButton::setTitle(const QString& title) {
    mTitle = title;
    if (auto* button = qobject_cast<QAbstractButton*>(existingWidget()))
        button->setText(title);
}

void NSButton::setButtonType(const QString& type) {
    mButtonType = type;
}

void NSButton::setState(int state) {
    mState = state != 0 ? 1 : 0;
    showState();
}

void NSButton::setKeyEquivalent(const QString& key) {
    mKeyEquivalent = key;
    if (auto* button = qobject_cast<QAbstractButton*>(existingWidget()))
        button->setShortcut(QKeySequence(key));
}

void NSButton::performClick(NSObject*) {
    if (!isEnabled())
        return;
    if (mButtonType != QLatin1StringView("push")) {
        setState(1 - mState);
        Q_EMIT userChangedValue(QStringLiteral("value"));
    }
    sendAction();
}

QWidget* NSButton::makeControlWidget() {
    QAbstractButton* button = nullptr;
    if (mButtonType == QLatin1StringView("switch"))
        button = new QCheckBox;
    else
        button = new QPushButton;
    button->setText(mTitle);
    button->setCheckable(mButtonType != QLatin1StringView("push"));
    button->setChecked(mState != 0);
    if (!mKeyEquivalent.isEmpty())
        button->setShortcut(QKeySequence(mKeyEquivalent));
    button->setAccessibleName(mTitle);
    // The click goes through performClick, which owns the state.
    QObject::connect(button, &QAbstractButton::clicked, this, [this] {
        performClick(this);
        showState();
    });
    return button;
}

void NSButton::showState() {
    if (auto* button = qobject_cast<QAbstractButton*>(existingWidget())) {
        const QSignalBlocker blocker(button);
        button->setChecked(mState != 0);
    }
}
