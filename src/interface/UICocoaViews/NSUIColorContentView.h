#pragma once

#include "platform/appkit/NSView.h"
#include "platform/foundation/NSClass.h"

// A view that paints itself in one colour (red, green, blue and an opacity, each 0..1): a plain
// fill of what is redrawn, or a shape its subclass picks in drawRect:. Subclasses choose their
// colour in initColorContentView, which every initialiser runs once. Decoration only: it takes a
// first click and never the keyboard. Main thread only.
class NSUIColorContentView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIColorContentView)
public:
    NSUIColorContentView();

    // A new NSUIColorContentView (whatever the class asked) in the colour (red, green, blue),
    // opaque; the caller owns it. Null, with a failed check, when it cannot be made.
    static NSUIColorContentView* colorViewWith(float red, float green, float blue);

    NSView* initWithFrame(const NSRect& frame) override;
    // Opaque white here; subclasses set their own colour and do not call this one.
    virtual void initColorContentView();

    void setGreyColor(float grey);
    void setGreyColor(float grey, float opacity);
    void setColor(float red, float green, float blue);
    void setOpacity(float opacity);
    void setWhiteOpaque();
    void setLightGreyOpaque();
    void setGreyOpaque();
    void setMedGreyOpaque();
    void setDarkGreyOpaque();
    void setBlackOpaque();
    // Medium grey at a quarter opacity.
    void setAccentColors();

    const float* viewColor() const { return viewColorRGB; }
    float opacity() const { return alphaOpacity; }

    // Never opaque, so that what lies behind is always drawn first.
    bool isOpaque() const override { return false; }
    bool acceptsFirstMouse(const QMouseEvent* event) override;
    bool acceptsFirstResponder() const { return false; }

    // Fills the rectangle being redrawn.
    void drawRect(const NSRect& dirtyRect) override;
    // Fills the ellipse inscribed in the bounds (the rectangle passed is not used).
    void drawRect_EllipseRect(const NSRect& dirtyRect);
    // A rounded rectangle on the bounds with a corner of a quarter of the shorter side.
    void drawRect_roundRect(const NSRect& dirtyRect);
    // ... with a corner radius of 10 points.
    void drawRect_roundRectCorner10(const NSRect& dirtyRect);
    void drawRect_roundRectWithCornerPixels(const NSRect& dirtyRect, float corner);
    void drawRect_roundRect(const NSRect& dirtyRect, float corner);
    // `flags`: 1 rounds the top corners only, 2 the bottom corners only, 3 all four; any other
    // value draws nothing.
    void drawRect_roundRect(const NSRect& dirtyRect, float corner, int flags);

protected:
    // The graphics port of the current context with its state saved and the fill colour set;
    // null outside drawing. Pair with endColorDrawing.
    CGContextRef beginColorDrawing();
    void endColorDrawing(CGContextRef context);

    float viewColorRGB[3] = {0, 0, 0};
    float alphaOpacity = 0;
};

class NSUIWhiteOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIWhiteOpaqueView)
public:
    void initColorContentView() override { setWhiteOpaque(); }
};

class NSUILightGreyOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUILightGreyOpaqueView)
public:
    void initColorContentView() override { setLightGreyOpaque(); }
};

class NSUIGreyOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyOpaqueView)
public:
    void initColorContentView() override { setGreyOpaque(); }
};

class NSUIMedGreyOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIMedGreyOpaqueView)
public:
    void initColorContentView() override { setMedGreyOpaque(); }
};

class NSUIDarkGreyOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyOpaqueView)
public:
    void initColorContentView() override { setDarkGreyOpaque(); }
};

class NSUIBlackOpaqueView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackOpaqueView)
public:
    void initColorContentView() override { setBlackOpaque(); }
};

// White at opacity 0: paints nothing visible, still takes a first click.
class NSUITransparentView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUITransparentView)
public:
    void initColorContentView() override {
        setGreyColor(1.0f);
        setOpacity(0.0f);
    }
};

// Link anchor of the colour views and the drawing routines they use.
int import_NSUIColorContentView();
