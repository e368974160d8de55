#include "Gallery.h"

#include "interface/UICocoaControls/NSUINfoGraffik.h"
#include "interface/UICocoaControls/NSUINfoGraffikImage.h"
#include "interface/UICocoaViews/NSUIColorContentView.h"

#include <QStringList>

namespace {

const char* const kColourViews[] = {
    "NSUIColorContentView",
    "NSUIWhiteOpaqueView",
    "NSUILightGreyOpaqueView",
    "NSUIGreyOpaqueView",
    "NSUIMedGreyOpaqueView",
    "NSUIDarkGreyOpaqueView",
    "NSUIBlackOpaqueView",
    "NSUITransparentView",
    "NSUIGreyStrokedRoundRectView",
    "NSUIWhiteRoundRectView",
    "NSUIGreyRoundRectView",
    "NSUIDarkGreyRoundRectView",
    "NSUIBlackRoundRectView",
    "NSUIAccentRoundRectView",
    "NSUIAccentRoundRectViewCorner10",
    "NSUIWhiteRoundRectViewCorner10",
    "NSUIWhiteRoundRectTopViewCorner10",
    "NSUIWhiteRoundRectBottomViewCorner10",
    "NSUIGreyRoundRectViewCorner10",
    "NSUIGreyRoundRectTopViewCorner10",
    "NSUIGreyRoundRectBottomViewCorner10",
    "NSUIMedGreyRoundRectViewCorner10",
    "NSUIMedGreyRoundRectTopViewCorner10",
    "NSUIMedGreyRoundRectBottomViewCorner10",
    "NSUIDarkGreyRoundRectViewCorner10",
    "NSUIDarkGreyRoundRectTopViewCorner10",
    "NSUIDarkGreyRoundRectBottomViewCorner10",
    "NSUIBlackRoundRectViewCorner10",
    "NSUIBlackRoundRectTopViewCorner10",
    "NSUIBlackRoundRectBottomViewCorner10",
    "NSUIBaseLozengeView",
    "NSUIGreyLozengeView",
    "NSUIMedGreyLozengeView",
    "NSUIDarkGreyLozengeView",
    "NSUIBlackLozengeView",
    "NSUIAccentLozengeView",
    "NSUIGreyCircleView",
    "NSUIDarkGreyCircleView",
    "NSUIBlackCircleView",
};

struct ButtonKind {
    const char* className;
    const char* picture;
};

const ButtonKind kButtons[] = {
    {"NSUINfoGraffik", "play"},          {"NSUINfoGraffikRound", "record"},
    {"NSUINfoGraffikRoundRect", "stop"}, {"NSUINfoGraffikToggle", "pause"},
    {"NSUINfoGraffikRadio", "info"},     {"NSUINfoGraffikRoundPushOnPushOff", "loop"},
    {"NSUIToolButton", "folder"},        {"NSUIToggleButton", "sound"},
    {"NSUIOvalToolButton", "play"},
};

NSView* make(const char* className) {
    Class cls = NSClassFromString(QString::fromLatin1(className));
    return cls ? qobject_cast<NSView*>(cls->alloc()->init()) : nullptr;
}

} // namespace

Gallery makeGallery() {
    import_NSUIColorContentView();
    import_NSUINfoGraffik();
    Gallery gallery;
    gallery.window = NSAdopt(NSAllocInit<NSWindow>());
    gallery.window->setFrame(NSMakeRect(40, 40, kGalleryWidth, kGalleryHeight), false);
    gallery.window->setTitle(QStringLiteral("Lumenreel controls"));
    NSView* content = gallery.window->contentView();
    auto place = [&](NSView* view, const NSRect& frame, NSView* parent) {
        if (!view)
            return;
        view->setFrame(frame);
        view->setToolTip(view->className());
        parent->addSubview(view);
        gallery.views.append(NSAdopt(view));
    };

    // A blue-grey backdrop, so that every grey, the transparent and the translucent views show.
    NSView* backdrop = NSUIColorContentView::colorViewWith(0.62f, 0.66f, 0.72f);
    place(backdrop, NSMakeRect(0, 0, kGalleryWidth, kGalleryHeight), content);

    // The colour views: eight columns of 76 x 40 cells from the top.
    constexpr int kColumns = 8;
    int index = 0;
    for (const char* name : kColourViews) {
        const int column = index % kColumns, row = index / kColumns;
        const bool lozenge = QByteArray(name).contains("Lozenge");
        const bool circle = QByteArray(name).contains("Circle");
        const double width = circle ? 40 : 72, height = lozenge ? 22 : (circle ? 40 : 44);
        const double x = 12 + column * 84 + (72 - width) / 2;
        const double y = kGalleryHeight - 60 - row * 56 + (44 - height) / 2;
        place(make(name), NSMakeRect(x, y, width, height), backdrop);
        ++index;
    }

    // The buttons, off in one row and on in the row below.
    index = 0;
    for (const ButtonKind& kind : kButtons) {
        for (int state = 0; state < 2; ++state) {
            auto* button = qobject_cast<NSUIToolButton*>(make(kind.className));
            if (!button)
                continue;
            const NSRect frame(14 + index * 72, 64 - state * 52, 40, 40);
            button->setFrame(frame);
            button->setTitle(QString::fromLatin1(kind.picture));
            if (QByteArray(kind.className) == "NSUIOvalToolButton") {
                // One bare picture: the button puts its disc behind it.
                NSRef<NSUINfoGraffikImage> picture = NSAdopt(new NSUINfoGraffikImage(frame.size()));
                picture->lockFocus();
                picture->drawImage(QString::fromLatin1(kind.picture), NSMakeRect(10, 10, 20, 20),
                                   1.0f);
                picture->unlockFocus();
                button->setImage(picture.get());
            } else if (!button->image()) {
                // Plain tool buttons take the images of an info graphic of the same picture.
                button->initInfoGraffik(0);
            }
            button->setState(state);
            place(button, frame, backdrop);
        }
        ++index;
    }
    return gallery;
}
