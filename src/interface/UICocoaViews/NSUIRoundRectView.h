#pragma once

#include "interface/UICocoaViews/NSUIColorContentView.h"

// Rounded rectangles, a stroked outline and circles in the colours of their base classes.
// Names ending in Corner10 round with 10 points, the others with a quarter of the shorter side;
// Top and Bottom round those two corners only.

// A grey outline 3 points wide on the bounds; the fill keeps opacity 0.
class NSUIGreyStrokedRoundRectView : public NSUITransparentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyStrokedRoundRectView)
public:
    void initColorContentView() override { setGreyColor(0.75f); }
    void drawRect(const NSRect& dirtyRect) override;

private:
    void strokeRoundRect(const NSRect& dirtyRect);
};

class NSUIWhiteRoundRectView : public NSUIWhiteOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIWhiteRoundRectView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIGreyRoundRectView : public NSUIGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyRoundRectView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIDarkGreyRoundRectView : public NSUIDarkGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyRoundRectView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIBlackRoundRectView : public NSUIBlackOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackRoundRectView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIWhiteRoundRectViewCorner10 : public NSUIWhiteOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIWhiteRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIWhiteRoundRectTopViewCorner10 : public NSUIWhiteOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIWhiteRoundRectTopViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIWhiteRoundRectBottomViewCorner10 : public NSUIWhiteOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIWhiteRoundRectBottomViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIGreyRoundRectViewCorner10 : public NSUIGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIGreyRoundRectTopViewCorner10 : public NSUIGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyRoundRectTopViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIGreyRoundRectBottomViewCorner10 : public NSUIGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyRoundRectBottomViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIMedGreyRoundRectViewCorner10 : public NSUIMedGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIMedGreyRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIMedGreyRoundRectTopViewCorner10 : public NSUIMedGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIMedGreyRoundRectTopViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIMedGreyRoundRectBottomViewCorner10 : public NSUIMedGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIMedGreyRoundRectBottomViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIDarkGreyRoundRectViewCorner10 : public NSUIDarkGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIDarkGreyRoundRectTopViewCorner10 : public NSUIDarkGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyRoundRectTopViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIDarkGreyRoundRectBottomViewCorner10 : public NSUIDarkGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyRoundRectBottomViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIBlackRoundRectViewCorner10 : public NSUIBlackOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIBlackRoundRectTopViewCorner10 : public NSUIBlackOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackRoundRectTopViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIBlackRoundRectBottomViewCorner10 : public NSUIBlackOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackRoundRectBottomViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIAccentRoundRectView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIAccentRoundRectView)
public:
    void initColorContentView() override { setAccentColors(); }
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIAccentRoundRectViewCorner10 : public NSUIAccentRoundRectView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIAccentRoundRectViewCorner10)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

// A filled circle (an ellipse in a view that is not square) on the bounds; the corners stay
// unpainted, so whatever lies behind shows through them.
class NSUIGreyCircleView : public NSUIGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyCircleView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIDarkGreyCircleView : public NSUIDarkGreyOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyCircleView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIBlackCircleView : public NSUIBlackOpaqueView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackCircleView)
public:
    void drawRect(const NSRect& dirtyRect) override;
};

int import_NSUIRoundRectView();
