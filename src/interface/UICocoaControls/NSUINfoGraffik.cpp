#include "interface/UICocoaControls/NSUINfoGraffik.h"

#include "interface/UICocoaControls/NSUINfoGraffikImage.h"
#include "platform/appkit/NSButtonCell.h"

NS_IMPLEMENT_CLASS(NSUINfoGraffik, NSUIToolButton)
NS_IMPLEMENT_CLASS(NSUINfoGraffikRound, NSUINfoGraffik)
NS_IMPLEMENT_CLASS(NSUINfoGraffikRoundRect, NSUINfoGraffik)
NS_IMPLEMENT_CLASS(NSUINfoGraffikToggle, NSUIToggleButton)
NS_IMPLEMENT_CLASS(NSUINfoGraffikRadio, NSUIToggleButton)
NS_IMPLEMENT_CLASS(NSUINfoGraffikRoundPushOnPushOff, NSUIToggleButton)

int import_NSUINfoGraffik() {
    const Class classes[] = {
        NSUINfoGraffik::classObject(),          NSUINfoGraffikRound::classObject(),
        NSUINfoGraffikRoundRect::classObject(), NSUINfoGraffikToggle::classObject(),
        NSUINfoGraffikRadio::classObject(),     NSUINfoGraffikRoundPushOnPushOff::classObject(),
    };
    for (Class cls : classes)
        if (!cls)
            return 0;
    return import_NSUIToolButton() & import_NSUIToggleButton() & import_NSUIOvalToolButton();
}

// The info-graphic extension of every tool button.

const QMetaObject* NSUIToolButton::buttonCellImageClass() const {
    return &NSUINfoGraffikImage::staticMetaObject;
}

void NSUIToolButton::setButtonCellImages(const QString& name, int kind) {
    const QMetaObject* imageClass = buttonCellImageClass();
    if (!cell() || name.isNull() || !imageClass ||
        !imageClass->inherits(&NSUINfoGraffikImage::staticMetaObject))
        return;
    const QSizeF size = frame().size();
    if (NSRef<NSUINfoGraffikImage> off =
            NSUINfoGraffikImage::imageForSizeState(this, name, size, 0, kind))
        cell()->setImage(off.get());
    if (NSRef<NSUINfoGraffikImage> on =
            NSUINfoGraffikImage::imageForSizeState(this, name, size, 1, kind))
        cell()->setAlternateImage(on.get());
    setNeedsDisplay(true);
}

void NSUINfoGraffik::initToolAttributes() {
    setButtonName(QString());
    setButtonName(title());
    initInfoGraffik(_buttonKind);
    NSUIToolButton::initToolAttributes();
}

void NSUINfoGraffik::initCellAttributes(NSButtonCell* cell) {
    NSUIToolButton::initCellAttributes(cell);
    if (cell)
        cell->setCellAttribute(NSCellLightsByContents, 1);
}

void NSUINfoGraffik::awakeFromNib() {
    NSUIToolButton::awakeFromNib();
    if (delegateObject() && !buttonName().isEmpty())
        updateButtonImages();
}

bool NSUINfoGraffik::isButtonNamed(const QString& name) const {
    if (__buttonName.isEmpty())
        return false;
    return __buttonName.compare(name, Qt::CaseInsensitive) == 0;
}

void NSUINfoGraffik::setButtonImageName(const QString& name) {
    if (isButtonNamed(name))
        return;
    setButtonName(name);
    updateButtonImages();
}

void NSUINfoGraffik::updateButtonImages() {
    setButtonCellImages(buttonName(), _buttonKind);
    setNeedsDisplay(true);
}

void NSUINfoGraffik::rebuildButtonImages() {
    if (!buttonName().isEmpty())
        updateButtonImages();
}

void NSUINfoGraffik::setTitle(const QString& title) {
    // Kept for accessibility; the picture name decides the images.
    NSButton::setTitle(title);
    setButtonImageName(title);
}

void NSUINfoGraffik::setImage(NSImage* image) {
    if (image && !image->name().isEmpty() && !isButtonNamed(image->name()))
        setButtonImageName(image->name());
}

void NSUINfoGraffikRound::initToolAttributes() {
    _buttonKind = 3;
    NSUINfoGraffik::initToolAttributes();
}

void NSUINfoGraffikRoundRect::initToolAttributes() {
    _buttonKind = 2;
    NSUINfoGraffik::initToolAttributes();
}

void NSUINfoGraffikToggle::initToolAttributes() {
    initInfoGraffik(0);
    NSUIToggleButton::initToolAttributes();
}

void NSUINfoGraffikRadio::initToolAttributes() {
    initInfoGraffik(1);
    NSUIToggleButton::initToolAttributes();
}

void NSUINfoGraffikRoundPushOnPushOff::initToolAttributes() {
    // Round pictures of kind 4, so that the button is never left without images.
    setButtonKind(4);
    initInfoGraffik(4);
    NSUIToggleButton::initToolAttributes();
}

void NSUINfoGraffikRoundPushOnPushOff::initCellAttributes(NSButtonCell* cell) {
    NSUIToggleButton::initCellAttributes(cell);
    if (cell)
        cell->setCellAttribute(NSCellLightsByContents, 1);
    setButtonType(QStringLiteral("toggle"));
}
