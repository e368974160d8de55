#include "platform/appkit/NSControl.h"

#include <QWidget>

NS_IMPLEMENT_CLASS(NSControl, NSView)

int import_NSControl() {
    return NSControl::classObject() != nullptr ? 1 : 0;
}

NSControl::NSControl() = default;

void NSControl::setEnabled(bool enabled) {
    mEnabled = enabled;
    if (QWidget* shown = existingWidget())
        shown->setEnabled(enabled);
}

bool NSControl::sendAction() {
    if (!mTarget || mAction.isEmpty())
        return false;
    mTarget->performSelector(mAction, this);
    return true;
}

QWidget* NSControl::makeWidget() {
    QWidget* made = makeControlWidget();
    made->setEnabled(mEnabled);
    return made;
}

QWidget* NSControl::makeControlWidget() {
    return NSView::makeWidget();
}
