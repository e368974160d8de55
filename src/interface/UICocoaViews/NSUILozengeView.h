#pragma once

#include "interface/UICocoaViews/NSUIColorContentView.h"

// Lozenges (bars with half-circle ends) filling the bounds less a point at the top and bottom.

class NSUIBaseLozengeView : public NSUIColorContentView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBaseLozengeView)
public:
    void initColorContentView() override {
        setGreyOpaque();
        setOpacity(0.8f);
    }
    void drawRect(const NSRect& dirtyRect) override;
};

class NSUIGreyLozengeView : public NSUIBaseLozengeView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIGreyLozengeView)
public:
    void initColorContentView() override {
        setGreyOpaque();
        setOpacity(0.8f);
    }
};

class NSUIMedGreyLozengeView : public NSUIBaseLozengeView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIMedGreyLozengeView)
public:
    void initColorContentView() override {
        setMedGreyOpaque();
        setOpacity(0.75f);
    }
};

class NSUIDarkGreyLozengeView : public NSUIBaseLozengeView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIDarkGreyLozengeView)
public:
    void initColorContentView() override {
        setDarkGreyOpaque();
        setOpacity(0.75f);
    }
};

class NSUIBlackLozengeView : public NSUIBaseLozengeView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIBlackLozengeView)
public:
    void initColorContentView() override {
        setBlackOpaque();
        setOpacity(0.75f);
    }
};

class NSUIAccentLozengeView : public NSUIBaseLozengeView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIAccentLozengeView)
public:
    void initColorContentView() override { setAccentColors(); }
};

int import_NSUILozengeView();
