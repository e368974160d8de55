#include "interface/UICocoaControls/NSUIToolButton.h"

#include "interface/UICocoaControls/NSUIToolButtonDelegate.h"
#include "platform/appkit/NSButtonCell.h"
#include "platform/appkit/NSDrawnButtonWidget.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/coregraphics/CGContext.h"
#include "support/CoreMachDebugLog.h"

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(NSUIToolButton, NSButton)
NS_IMPLEMENT_CLASS(NSUIToggleButton, NSUIToolButton)
NS_IMPLEMENT_CLASS(NSUIOvalToolButton, NSUIToolButton)

namespace {
constexpr const char* kSource = "UICocoaControls/NSUIToolButton";
} // namespace

int import_NSUIToolButton() {
    return NSUIToolButton::classObject() != nullptr ? 1 : 0;
}
int import_NSUIToggleButton() {
    return NSUIToggleButton::classObject() != nullptr ? 1 : 0;
}
int import_NSUIOvalToolButton() {
    return NSUIOvalToolButton::classObject() != nullptr ? 1 : 0;
}

std::optional<NSColor> NSUIToolButtonDelegate::toolButton_fillColorForState(NSUIToolButton*, int) {
    return std::nullopt;
}
std::optional<NSColor> NSUIToolButtonDelegate::toolButton_strokeColorForState(NSUIToolButton*,
                                                                              int) {
    return std::nullopt;
}
std::optional<float> NSUIToolButtonDelegate::toolButton_imageOpacityForState(NSUIToolButton*, int) {
    return std::nullopt;
}

NSUIToolButton::NSUIToolButton() : mCell(new NSButtonCell) {}

NSUIToolButton::~NSUIToolButton() {
    mCell->release();
}

NSView* NSUIToolButton::initWithFrame(const NSRect& frame) {
    NSView* view = NSButton::initWithFrame(frame);
    if (view)
        initToolAttributes();
    return view;
}

void NSUIToolButton::initToolAttributes() {
    NSButtonCell* buttonCell = cell();
    if (!buttonCell) {
        _CoreMachDebugVerifyBody("-[NSUIToolButton initToolAttributes]", kSource, 63, "buttonCell");
        return;
    }
    initCellAttributes(buttonCell);
}

void NSUIToolButton::initCellAttributes(NSButtonCell* buttonCell) {
    if (!setDefaultCellAttributes(buttonCell))
        _CoreMachDebugVerifyBody("-[NSUIToolButton initCellAttributes:]", kSource, 71,
                                 " code : [NSUIToolButton setDefaultCellAttributes:buttonCell]");
}

bool NSUIToolButton::setDefaultCellAttributes(NSButtonCell* buttonCell) {
    if (!buttonCell) {
        _CoreMachDebugVerifyBody("+[NSUIToolButton setDefaultCellAttributes:]", kSource, 22,
                                 "buttonCell");
        return false;
    }
    buttonCell->setBezelStyle(6);
    buttonCell->setImagePosition(1);
    buttonCell->setBezeled(false);
    buttonCell->setBordered(false);
    buttonCell->setTitle(QString());
    buttonCell->setHighlightsBy(0);
    buttonCell->setShowsStateBy(0);
    buttonCell->setCellAttribute(NSCellLightsByBackground, 0);
    buttonCell->setCellAttribute(NSCellLightsByGray, 0);
    buttonCell->setCellAttribute(NSCellLightsByContents, 0);
    return true;
}

NSImage* NSUIToolButton::image() const {
    return mCell->image();
}

void NSUIToolButton::setImage(NSImage* image) {
    mCell->setImage(image);
    setNeedsDisplay(true);
}

NSImage* NSUIToolButton::alternateImage() const {
    return mCell->alternateImage();
}

void NSUIToolButton::setAlternateImage(NSImage* image) {
    mCell->setAlternateImage(image);
    setNeedsDisplay(true);
}

void NSUIToolButton::setTitle(const QString& title) {
    const bool renamed = title != NSButton::title();
    NSButton::setTitle(title);
    if (renamed && mInfoGraffikKind)
        setButtonCellImages(title, *mInfoGraffikKind);
}

void NSUIToolButton::setButtonKind(int) {}

NSUIToolButtonDelegate* NSUIToolButton::toolDelegate() const {
    return dynamic_cast<NSUIToolButtonDelegate*>(mDelegate.data());
}

NSColor NSUIToolButton::buttonFillColorForState(int state) {
    if (NSUIToolButtonDelegate* delegate = toolDelegate())
        if (std::optional<NSColor> color = delegate->toolButton_fillColorForState(this, state))
            return *color;
    return defaultButtonFillColorForState(state);
}

NSColor NSUIToolButton::buttonStrokeColorForState(int state) {
    if (NSUIToolButtonDelegate* delegate = toolDelegate())
        if (std::optional<NSColor> color = delegate->toolButton_strokeColorForState(this, state))
            return *color;
    return defaultButtonStrokeColorForState(state);
}

float NSUIToolButton::buttonImageOpacityForState(int state) {
    float opacity = defaultButtonImageOpacityForState(state);
    if (NSUIToolButtonDelegate* delegate = toolDelegate())
        if (std::optional<float> answer = delegate->toolButton_imageOpacityForState(this, state))
            opacity = std::isnan(*answer) ? 0.0f : std::clamp(*answer, 0.0f, 1.0f);
    return opacity;
}

NSColor NSUIToolButton::defaultButtonFillColorForState(int state) {
    if (state == 1)
        return defaultButtonHighlightColor();
    return NSColor::colorWithCalibratedRed(0.75, 0.75, 0.75, 0.25);
}

NSColor NSUIToolButton::defaultButtonStrokeColorForState(int) {
    return NSColor::colorWithCalibratedRed(0.1, 0.1, 0.1, 0.8);
}

float NSUIToolButton::defaultButtonImageOpacityForState(int) {
    return 1.0f;
}

NSColor NSUIToolButton::defaultButtonHighlightColor() {
    const NSColor tint = NSColor::colorForControlTint(NSColor::currentControlTint());
    return tint.colorUsingColorSpaceName(QStringLiteral("NSCalibratedRGBColorSpace"))
        .value_or(tint);
}

void NSUIToolButton::initInfoGraffik(int kind) {
    mInfoGraffikKind = kind;
    setButtonCellImages(title(), kind);
}

void NSUIToolButton::rebuildButtonImages() {
    if (mInfoGraffikKind)
        setButtonCellImages(title(), *mInfoGraffikKind);
}

void NSUIToolButton::setFrameSize(const NSSize& size) {
    const bool resized = size != frame().size();
    NSButton::setFrameSize(size);
    if (resized)
        rebuildButtonImages();
}

qreal NSUIToolButton::displayScale() const {
    return NSDrawnButtonWidgetScale(existingWidget());
}

bool NSUIToolButton::isHighlighted() const {
    return NSDrawnButtonWidgetIsDown(existingWidget());
}

QWidget* NSUIToolButton::makeControlWidget() {
    return NSMakeDrawnButtonWidget(this, [this] { rebuildButtonImages(); });
}

void NSUIToolButton::drawRect(const NSRect&) {
    const bool on = state() != 0 && mCell->cellAttribute(NSCellChangesContents) != 0;
    const bool pressed = isHighlighted() && mCell->cellAttribute(NSCellLightsByContents) != 0;
    NSImage* shown = (on || pressed) && alternateImage() ? alternateImage() : image();
    if (!shown)
        return;
    // Image only, centred in the bounds at its own size.
    const NSSize size = shown->size();
    const NSRect area = bounds();
    const NSRect place((area.width() - size.width()) * 0.5, (area.height() - size.height()) * 0.5,
                       size.width(), size.height());
    shown->drawInRect(place, NSCompositeSourceOver, isEnabled() ? 1.0 : 0.5);
}

void NSUIToggleButton::initCellAttributes(NSButtonCell* buttonCell) {
    NSUIToolButton::initCellAttributes(buttonCell);
    if (!buttonCell)
        return;
    buttonCell->setCellAttribute(NSCellLightsByContents, 1);
    buttonCell->setCellAttribute(NSCellChangesContents, 1);
}

void NSUIOvalToolButton::drawRect(const NSRect& dirtyRect) {
    if (hasOnlyOneImage())
        drawBackground(dirtyRect, state());
    NSUIToolButton::drawRect(dirtyRect);
}

void NSUIOvalToolButton::drawBackground(const NSRect&, int state) {
    NSGraphicsContext* current = NSGraphicsContext::currentContext();
    if (!current)
        return;
    double red = 0.1, green = 0.1, blue = 0.1;
    if (state != 0) {
        const NSColor tint = defaultButtonHighlightColor();
        red = tint.redComponent();
        green = tint.greenComponent();
        blue = tint.blueComponent();
    }
    CGContextRef context = current->graphicsPort();
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, red, green, blue, 0.8);
    const NSRect area = bounds();
    CGContextFillEllipseInRect(context,
                               CGRectMake(area.x(), area.y(), area.width(), area.height()));
    CGContextRestoreGState(context);
}
