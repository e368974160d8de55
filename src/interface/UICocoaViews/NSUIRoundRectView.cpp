#include "interface/UICocoaViews/NSUIRoundRectView.h"

#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "platform/coregraphics/CGContext.h"

NS_IMPLEMENT_CLASS(NSUIGreyStrokedRoundRectView, NSUITransparentView)
NS_IMPLEMENT_CLASS(NSUIWhiteRoundRectView, NSUIWhiteOpaqueView)
NS_IMPLEMENT_CLASS(NSUIGreyRoundRectView, NSUIGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyRoundRectView, NSUIDarkGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIBlackRoundRectView, NSUIBlackOpaqueView)
NS_IMPLEMENT_CLASS(NSUIWhiteRoundRectViewCorner10, NSUIWhiteOpaqueView)
NS_IMPLEMENT_CLASS(NSUIWhiteRoundRectTopViewCorner10, NSUIWhiteOpaqueView)
NS_IMPLEMENT_CLASS(NSUIWhiteRoundRectBottomViewCorner10, NSUIWhiteOpaqueView)
NS_IMPLEMENT_CLASS(NSUIGreyRoundRectViewCorner10, NSUIGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIGreyRoundRectTopViewCorner10, NSUIGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIGreyRoundRectBottomViewCorner10, NSUIGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIMedGreyRoundRectViewCorner10, NSUIMedGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIMedGreyRoundRectTopViewCorner10, NSUIMedGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIMedGreyRoundRectBottomViewCorner10, NSUIMedGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyRoundRectViewCorner10, NSUIDarkGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyRoundRectTopViewCorner10, NSUIDarkGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyRoundRectBottomViewCorner10, NSUIDarkGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIBlackRoundRectViewCorner10, NSUIBlackOpaqueView)
NS_IMPLEMENT_CLASS(NSUIBlackRoundRectTopViewCorner10, NSUIBlackOpaqueView)
NS_IMPLEMENT_CLASS(NSUIBlackRoundRectBottomViewCorner10, NSUIBlackOpaqueView)
NS_IMPLEMENT_CLASS(NSUIAccentRoundRectView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIAccentRoundRectViewCorner10, NSUIAccentRoundRectView)
NS_IMPLEMENT_CLASS(NSUIGreyCircleView, NSUIGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyCircleView, NSUIDarkGreyOpaqueView)
NS_IMPLEMENT_CLASS(NSUIBlackCircleView, NSUIBlackOpaqueView)

int import_NSUIRoundRectView() {
    const Class classes[] = {
        NSUIGreyStrokedRoundRectView::classObject(),
        NSUIWhiteRoundRectView::classObject(),
        NSUIGreyRoundRectView::classObject(),
        NSUIDarkGreyRoundRectView::classObject(),
        NSUIBlackRoundRectView::classObject(),
        NSUIWhiteRoundRectViewCorner10::classObject(),
        NSUIWhiteRoundRectTopViewCorner10::classObject(),
        NSUIWhiteRoundRectBottomViewCorner10::classObject(),
        NSUIGreyRoundRectViewCorner10::classObject(),
        NSUIGreyRoundRectTopViewCorner10::classObject(),
        NSUIGreyRoundRectBottomViewCorner10::classObject(),
        NSUIMedGreyRoundRectViewCorner10::classObject(),
        NSUIMedGreyRoundRectTopViewCorner10::classObject(),
        NSUIMedGreyRoundRectBottomViewCorner10::classObject(),
        NSUIDarkGreyRoundRectViewCorner10::classObject(),
        NSUIDarkGreyRoundRectTopViewCorner10::classObject(),
        NSUIDarkGreyRoundRectBottomViewCorner10::classObject(),
        NSUIBlackRoundRectViewCorner10::classObject(),
        NSUIBlackRoundRectTopViewCorner10::classObject(),
        NSUIBlackRoundRectBottomViewCorner10::classObject(),
        NSUIAccentRoundRectView::classObject(),
        NSUIAccentRoundRectViewCorner10::classObject(),
        NSUIGreyCircleView::classObject(),
        NSUIDarkGreyCircleView::classObject(),
        NSUIBlackCircleView::classObject(),
    };
    for (Class cls : classes)
        if (!cls)
            return 0;
    return 1;
}

void NSUIGreyStrokedRoundRectView::strokeRoundRect(const NSRect&) {
    CGContextRef context = beginColorDrawing();
    if (!context)
        return;
    CGContextSetRGBStrokeColor(context, viewColorRGB[0], viewColorRGB[1], viewColorRGB[2], 1.0);
    const NSRect area = bounds();
    NSUIDrawRoundRect(context, CGRectMake(area.x(), area.y(), area.width(), area.height()), 3,
                      0.25f);
    endColorDrawing(context);
}

void NSUIGreyStrokedRoundRectView::drawRect(const NSRect& dirtyRect) {
    strokeRoundRect(dirtyRect);
}

void NSUIWhiteRoundRectView::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect);
}

void NSUIGreyRoundRectView::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect);
}

void NSUIDarkGreyRoundRectView::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect);
}

void NSUIBlackRoundRectView::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect);
}

void NSUIWhiteRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectWithCornerPixels(dirtyRect, 10.0f);
}

void NSUIWhiteRoundRectTopViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 1);
}

void NSUIWhiteRoundRectBottomViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 2);
}

void NSUIGreyRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectWithCornerPixels(dirtyRect, 10.0f);
}

void NSUIGreyRoundRectTopViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 1);
}

void NSUIGreyRoundRectBottomViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 2);
}

void NSUIMedGreyRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectWithCornerPixels(dirtyRect, 10.0f);
}

void NSUIMedGreyRoundRectTopViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 1);
}

void NSUIMedGreyRoundRectBottomViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 2);
}

void NSUIDarkGreyRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectWithCornerPixels(dirtyRect, 10.0f);
}

void NSUIDarkGreyRoundRectTopViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 1);
}

void NSUIDarkGreyRoundRectBottomViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 2);
}

void NSUIBlackRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectWithCornerPixels(dirtyRect, 10.0f);
}

void NSUIBlackRoundRectTopViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 1);
}

void NSUIBlackRoundRectBottomViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect, 10.0f, 2);
}

void NSUIAccentRoundRectView::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRect(dirtyRect);
}

void NSUIAccentRoundRectViewCorner10::drawRect(const NSRect& dirtyRect) {
    drawRect_roundRectCorner10(dirtyRect);
}

void NSUIGreyCircleView::drawRect(const NSRect& dirtyRect) {
    drawRect_EllipseRect(dirtyRect);
}

void NSUIDarkGreyCircleView::drawRect(const NSRect& dirtyRect) {
    drawRect_EllipseRect(dirtyRect);
}

void NSUIBlackCircleView::drawRect(const NSRect& dirtyRect) {
    drawRect_EllipseRect(dirtyRect);
}
