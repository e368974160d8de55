#pragma once

#include "platform/appkit/NSButton.h"
#include "platform/appkitcore/NSColor.h"
#include "platform/foundation/NSClass.h"

#include <QPointer>

#include <optional>

class NSButtonCell;
class NSImage;
class NSUIToolButtonDelegate;

// A borderless button that shows only its image, and its alternate image while it is on (or
// pressed, when its cell lights by contents): no bezel, no border, no title. It answers a fill
// colour, a stroke colour and an image opacity per state, which a delegate may replace; the
// info-graphic pictures are painted with these answers. Main thread only.
class NSUIToolButton : public NSButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIToolButton)
    Q_PROPERTY(NSObject* delegate READ delegateObject WRITE setDelegate)
    Q_PROPERTY(QString title READ title WRITE setTitle)
public:
    NSUIToolButton();
    ~NSUIToolButton() override;

    NSView* initWithFrame(const NSRect& frame) override;
    // Sets up the cell through initCellAttributes; subclasses that act before or after that
    // override it and call this one where they need.
    virtual void initToolAttributes();
    // Applies the tool-button defaults to `cell`; subclasses add their own after.
    virtual void initCellAttributes(NSButtonCell* cell);
    // No bezel (shadowless square, 6), image only (1), not bezeled or bordered, title "", no
    // built-in highlight or state display, not lit by background, grey or contents. False for a
    // null cell.
    static bool setDefaultCellAttributes(NSButtonCell* cell);

    NSButtonCell* cell() const { return mCell; }
    NSImage* image() const;
    void setImage(NSImage* image);
    NSImage* alternateImage() const;
    void setAlternateImage(NSImage* image);
    bool hasOnlyOneImage() const { return alternateImage() == nullptr; }
    // The title is kept (for accessibility and picture names) but never drawn.
    virtual void setTitle(const QString& title);

    virtual int buttonKind() const { return 0; }
    virtual void setButtonKind(int kind);

    // The delegate, held weakly: it may go at any time. An object that is not an
    // NSUIToolButtonDelegate is held but never asked.
    NSObject* delegateObject() const { return mDelegate; }
    void setDelegate(NSObject* delegate) { mDelegate = delegate; }

    NSColor buttonFillColorForState(int state);
    NSColor buttonStrokeColorForState(int state);
    // The delegate's answer clamped to 0..1, else the default.
    float buttonImageOpacityForState(int state);
    virtual NSColor defaultButtonFillColorForState(int state);
    virtual NSColor defaultButtonStrokeColorForState(int state);
    virtual float defaultButtonImageOpacityForState(int state);
    static NSColor defaultButtonHighlightColor();

    // Info graphics for any tool button: pictures painted for a name and a background kind.
    // Builds the images from the title with `kind`, and rebuilds them whenever the title, the
    // size, the palette or the display scale changes.
    void initInfoGraffik(int kind);
    // Sets the cell's image (state 0) and alternate image (state 1) painted at the frame's size
    // by the image class; nothing without a cell or a name.
    void setButtonCellImages(const QString& name, int kind);
    // The class that paints the images (NSUINfoGraffikImage or a subclass).
    virtual const QMetaObject* buttonCellImageClass() const;
    // Paints the images anew for the current size and scale; called on the changes above.
    virtual void rebuildButtonImages();

    void setFrameSize(const NSSize& size) override;
    void drawRect(const NSRect& dirtyRect) override;
    // Pixels per point of the window that shows the button (1 before it is shown).
    qreal displayScale() const;
    // Whether the button is being pressed.
    bool isHighlighted() const;

protected:
    QWidget* makeControlWidget() override;

private:
    NSUIToolButtonDelegate* toolDelegate() const;

    NSButtonCell* mCell;
    QPointer<NSObject> mDelegate;
    std::optional<int> mInfoGraffikKind;
};

// A tool button whose cell shows its alternate image while it is on or pressed.
class NSUIToggleButton : public NSUIToolButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIToggleButton)
public:
    void initCellAttributes(NSButtonCell* cell) override;
};

// A tool button with one image sits on a disc: dark when off, the accent colour when on.
class NSUIOvalToolButton : public NSUIToolButton {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUIOvalToolButton)
public:
    void drawRect(const NSRect& dirtyRect) override;
    // Fills the ellipse of the bounds (not `rect`) for `state`, at alpha 0.8.
    void drawBackground(const NSRect& rect, int state);
};

int import_NSUIToolButton();
int import_NSUIToggleButton();
int import_NSUIOvalToolButton();
