#include "interface/UICocoaViews/NSUIColorContentView.h"

#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "interface/UICocoaViews/NSUILozengeView.h"
#include "interface/UICocoaViews/NSUIRoundRectView.h"
#include "support/CoreMachDebugLog.h"

#include "platform/coregraphics/CGContext.h"

NS_IMPLEMENT_CLASS(NSUIColorContentView, NSView)
NS_IMPLEMENT_CLASS(NSUIWhiteOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUILightGreyOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIGreyOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIMedGreyOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIBlackOpaqueView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUITransparentView, NSUIColorContentView)

int import_NSUIColorContentView() {
    const Class classes[] = {
        NSUIColorContentView::classObject(),    NSUIWhiteOpaqueView::classObject(),
        NSUILightGreyOpaqueView::classObject(), NSUIGreyOpaqueView::classObject(),
        NSUIMedGreyOpaqueView::classObject(),   NSUIDarkGreyOpaqueView::classObject(),
        NSUIBlackOpaqueView::classObject(),     NSUITransparentView::classObject(),
    };
    for (Class cls : classes)
        if (!cls)
            return 0;
    return import_NSUIDrawContentHelpers() & import_NSUIRoundRectView() & import_NSUILozengeView();
}

NSUIColorContentView::NSUIColorContentView() = default;

NSUIColorContentView* NSUIColorContentView::colorViewWith(float red, float green, float blue) {
    NSUIColorContentView* newView = NSAllocInit<NSUIColorContentView>();
    if (!newView) {
        _CoreMachDebugVerifyBody("+[NSUIColorContentView colorViewWith:]",
                                 "UICocoaViews/NSUIColorContentView", 35, " code : newView");
        return nullptr;
    }
    newView->setColor(red, green, blue);
    return newView;
}

NSView* NSUIColorContentView::initWithFrame(const NSRect& frame) {
    NSView* view = NSView::initWithFrame(frame);
    if (view)
        initColorContentView();
    return view;
}

void NSUIColorContentView::initColorContentView() {
    setGreyColor(1.0f, 1.0f);
}

void NSUIColorContentView::setGreyColor(float grey) {
    viewColorRGB[0] = viewColorRGB[1] = viewColorRGB[2] = grey;
}

void NSUIColorContentView::setGreyColor(float grey, float opacity) {
    setGreyColor(grey);
    setOpacity(opacity);
}

void NSUIColorContentView::setColor(float red, float green, float blue) {
    viewColorRGB[0] = red;
    viewColorRGB[1] = green;
    viewColorRGB[2] = blue;
}

void NSUIColorContentView::setOpacity(float opacity) {
    alphaOpacity = opacity;
}

void NSUIColorContentView::setWhiteOpaque() {
    setGreyColor(1.0f, 1.0f);
}
void NSUIColorContentView::setLightGreyOpaque() {
    setGreyColor(0.85f, 1.0f);
}
void NSUIColorContentView::setGreyOpaque() {
    setGreyColor(0.75f, 1.0f);
}
void NSUIColorContentView::setMedGreyOpaque() {
    setGreyColor(0.5f, 1.0f);
}
void NSUIColorContentView::setDarkGreyOpaque() {
    setGreyColor(0.25f, 1.0f);
}
void NSUIColorContentView::setBlackOpaque() {
    setGreyColor(0.05f, 1.0f);
}
void NSUIColorContentView::setAccentColors() {
    setMedGreyOpaque();
    setOpacity(0.25f);
}

bool NSUIColorContentView::acceptsFirstMouse(const QMouseEvent*) {
    return true;
}

CGContextRef NSUIColorContentView::beginColorDrawing() {
    NSGraphicsContext* current = NSGraphicsContext::currentContext();
    CGContextRef context = current ? current->graphicsPort() : nullptr;
    if (!context)
        return nullptr;
    CGContextSaveGState(context);
    CGContextSetRGBFillColor(context, viewColorRGB[0], viewColorRGB[1], viewColorRGB[2],
                             alphaOpacity);
    return context;
}

void NSUIColorContentView::endColorDrawing(CGContextRef context) {
    CGContextRestoreGState(context);
}

void NSUIColorContentView::drawRect(const NSRect& dirtyRect) {
    if (CGContextRef context = beginColorDrawing()) {
        CGContextFillRect(context, CGRectMake(dirtyRect.x(), dirtyRect.y(), dirtyRect.width(),
                                              dirtyRect.height()));
        endColorDrawing(context);
    }
}

void NSUIColorContentView::drawRect_EllipseRect(const NSRect&) {
    if (CGContextRef context = beginColorDrawing()) {
        const NSRect area = bounds();
        CGContextFillEllipseInRect(context,
                                   CGRectMake(area.x(), area.y(), area.width(), area.height()));
        endColorDrawing(context);
    }
}

void NSUIColorContentView::drawRect_roundRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 0.25f);
}

void NSUIColorContentView::drawRect_roundRectCorner10(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f);
}

void NSUIColorContentView::drawRect_roundRectWithCornerPixels(const NSRect& dirtyRect,
                                                              float corner) {
    drawRect_roundRect(dirtyRect, corner);
}

void NSUIColorContentView::drawRect_roundRect(const NSRect& dirtyRect, float corner) {
    drawRect_roundRect(dirtyRect, corner, 3);
}

void NSUIColorContentView::drawRect_roundRect(const NSRect&, float corner, int flags) {
    const NSRect area = bounds();
    double x = area.x(), y = area.y(), width = area.width(), height = area.height();
    switch (flags) {
    case 3:
        break;
    case 2:
        // Twice as high: the top corners lie above the view and are cut off.
        height *= 2;
        break;
    case 1:
        // Twice as high and moved down by the view's height: only the top corners show.
        y -= height;
        height *= 2;
        break;
    default:
        return;
    }
    if (CGContextRef context = beginColorDrawing()) {
        NSUIDrawRoundRect(context, CGRectMake(x, y, width, height), 0, corner);
        endColorDrawing(context);
    }
}
