#include "interface/UICocoaViews/NSUILozengeView.h"

#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "platform/coregraphics/CGContext.h"

NS_IMPLEMENT_CLASS(NSUIBaseLozengeView, NSUIColorContentView)
NS_IMPLEMENT_CLASS(NSUIGreyLozengeView, NSUIBaseLozengeView)
NS_IMPLEMENT_CLASS(NSUIMedGreyLozengeView, NSUIBaseLozengeView)
NS_IMPLEMENT_CLASS(NSUIDarkGreyLozengeView, NSUIBaseLozengeView)
NS_IMPLEMENT_CLASS(NSUIBlackLozengeView, NSUIBaseLozengeView)
NS_IMPLEMENT_CLASS(NSUIAccentLozengeView, NSUIBaseLozengeView)

int import_NSUILozengeView() {
    const Class classes[] = {
        NSUIBaseLozengeView::classObject(),    NSUIGreyLozengeView::classObject(),
        NSUIMedGreyLozengeView::classObject(), NSUIDarkGreyLozengeView::classObject(),
        NSUIBlackLozengeView::classObject(),   NSUIAccentLozengeView::classObject(),
    };
    for (Class cls : classes)
        if (!cls)
            return 0;
    return 1;
}

void NSUIBaseLozengeView::drawRect(const NSRect&) {
    NSGraphicsContext* current = NSGraphicsContext::currentContext();
    if (!current)
        return;
    const NSRect area = bounds();
    NSUIDrawLozenge(current->graphicsPort(),
                    CGRectMake(area.x(), area.y(), area.width(), area.height()), viewColorRGB,
                    alphaOpacity);
}
