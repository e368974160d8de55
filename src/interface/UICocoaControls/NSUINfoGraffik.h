#pragma once

#include "interface/UICocoaControls/NSUIToolButton.h"

// A tool button whose two images are painted from a picture name, the title given to it: a
// background shape of its kind in the state's colour with the picture on top. The images are
// painted when the name changes (other than in letter case), when a delegate is connected in an
// interface file, and when the size, palette or display scale changes. The title is never drawn.
class NSUINfoGraffik : public NSUIToolButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffik)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString buttonName READ buttonName WRITE setButtonName)
public:
    void initToolAttributes() override;
    void initCellAttributes(NSButtonCell* cell) override;
    void awakeFromNib() override;

    int buttonKind() const override { return _buttonKind; }
    // Stores the kind; the images follow at the next updateButtonImages.
    void setButtonKind(int kind) override { _buttonKind = kind; }
    QString buttonName() const { return __buttonName; }
    void setButtonName(const QString& name) { __buttonName = name; }
    // False without a stored name; otherwise whether `name` equals it ignoring case.
    bool isButtonNamed(const QString& name) const;
    // Stores `name` and repaints the images, unless it is the stored name.
    void setButtonImageName(const QString& name);
    void updateButtonImages();
    void rebuildButtonImages() override;

    void setTitle(const QString& title) override;
    // Takes the image's name as the picture name; the image itself is not shown.
    void setImage(NSImage* image);
    // No focus ring.
    int focusRingType() const { return 1; }

protected:
    int _buttonKind = 0;

private:
    QString __buttonName;
};

class NSUINfoGraffikRound : public NSUINfoGraffik {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffikRound)
public:
    void initToolAttributes() override;
};

class NSUINfoGraffikRoundRect : public NSUINfoGraffik {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffikRoundRect)
public:
    void initToolAttributes() override;
};

// Toggle buttons with info-graphic images: kind 0 (rounded square), 1 (circle, radio) and 4
// (circle, pushed on and off).
class NSUINfoGraffikToggle : public NSUIToggleButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffikToggle)
public:
    void initToolAttributes() override;
};

class NSUINfoGraffikRadio : public NSUIToggleButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffikRadio)
public:
    void initToolAttributes() override;
};

class NSUINfoGraffikRoundPushOnPushOff : public NSUIToggleButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUINfoGraffikRoundPushOnPushOff)
public:
    void initToolAttributes() override;
    void initCellAttributes(NSButtonCell* cell) override;
};

// Link anchor of the info graphics and the tool buttons.
int import_NSUINfoGraffik();
