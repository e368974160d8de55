// Tool buttons and their info graphics: cells, delegates (which may go away), the oval's disc;
// each kind's picture square, the painted images, names without case, and rebuilding.

#include "interface/UICocoaControls/NSUINfoGraffik.h"
#include "interface/UICocoaControls/NSUINfoGraffikImage.h"
#include "interface/UICocoaControls/NSUIToolButtonDelegate.h"
#include "platform/appkit/NSButtonCell.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/corefoundation/CFBundle.h"
#include "support/VerifyCapture.h"

#include "common/DrawingSupport.h"
#include "common/RecordedDrawing.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

using lumenreel::test::lastArguments;
using lumenreel::test::recordDrawing;
using lumenreel::test::writePicture;
using lumenreel::test::writeTestFile;

NSRef<NSUIToolButton> makeButton(const char* className, double width, double height,
                                 const QString& title = QString()) {
    EXPECT_EQ(import_NSUINfoGraffik(), 1);
    Class cls = NSClassFromString(QString::fromLatin1(className));
    EXPECT_NE(cls, nullptr) << className;
    auto* button = qobject_cast<NSUIToolButton*>(cls->alloc()->init());
    button->setFrame(NSMakeRect(0, 0, width, height));
    if (!title.isNull())
        button->setTitle(title);
    return NSAdopt(button);
}

void expectColor(const NSColor& color, double red, double green, double blue, double alpha) {
    EXPECT_NEAR(color.redComponent(), red, 1e-6);
    EXPECT_NEAR(color.greenComponent(), green, 1e-6);
    EXPECT_NEAR(color.blueComponent(), blue, 1e-6);
    EXPECT_NEAR(color.alphaComponent(), alpha, 1e-6);
}

TEST(NSUIToolButton, CellIsStrippedToTheImageTogglesChangeContentsAndNoCellIsRefused) {
    NSRef<NSUIToolButton> button = makeButton("NSUIToolButton", 24, 24);
    button->setTitle(QStringLiteral("Render"));
    EXPECT_EQ(button->cell()->title(), QString());
    EXPECT_EQ(button->buttonKind(), 0);
    button->setButtonKind(3);
    EXPECT_EQ(button->buttonKind(), 0);

    NSRef<NSUIToolButton> toggle = makeButton("NSUIToggleButton", 24, 24);
    EXPECT_EQ(toggle->cell()->cellAttribute(NSCellLightsByContents), 1);
    EXPECT_EQ(toggle->cell()->cellAttribute(NSCellChangesContents), 1);

    VerifyCapture capture;
    EXPECT_FALSE(NSUIToolButton::setDefaultCellAttributes(nullptr));
    const VerifyLine line{"buttonCell", "NSUIToolButton", 22,
                          "+[NSUIToolButton setDefaultCellAttributes:]"};
    EXPECT_EQ(capture.lines(), std::vector<VerifyLine>{line});
}

class OnFillDelegate : public NSObject, public NSUIToolButtonDelegate {
public:
    std::optional<NSColor> toolButton_fillColorForState(NSUIToolButton*, int state) override {
        if (state == 1)
            return NSColor::colorWithCalibratedRed(1, 0, 0, 1);
        return std::nullopt;
    }
    std::optional<float> toolButton_imageOpacityForState(NSUIToolButton*, int state) override {
        return state == 1 ? 1.7f : (state == 0 ? -0.5f : std::numeric_limits<float>::quiet_NaN());
    }
};

class SilentDelegate : public NSObject, public NSUIToolButtonDelegate {};

TEST(NSUIToolButton, DelegateReplacesWhatItAnswersAndIsHeldWeakly) {
    NSRef<NSUIToolButton> button = makeButton("NSUIToolButton", 24, 24);
    {
        NSRef<OnFillDelegate> delegate = NSAdopt(new OnFillDelegate);
        button->setDelegate(delegate.get());
        expectColor(button->buttonFillColorForState(1), 1, 0, 0, 1);
        // Nil for state 0 falls back on the default.
        expectColor(button->buttonFillColorForState(0), 0.75, 0.75, 0.75, 0.25);
        EXPECT_FLOAT_EQ(button->buttonImageOpacityForState(1), 1.0f) << "clamped";
        EXPECT_FLOAT_EQ(button->buttonImageOpacityForState(0), 0.0f) << "clamped";
        EXPECT_FLOAT_EQ(button->buttonImageOpacityForState(-1), 0.0f) << "not a number";
    }
    EXPECT_EQ(button->delegateObject(), nullptr) << "the delegate went";
    expectColor(button->buttonFillColorForState(0), 0.75, 0.75, 0.75, 0.25);

    NSRef<SilentDelegate> silent = NSAdopt(new SilentDelegate);
    button->setDelegate(silent.get());
    expectColor(button->buttonStrokeColorForState(1), 0.1, 0.1, 0.1, 0.8);
    EXPECT_FLOAT_EQ(button->buttonImageOpacityForState(0), 1.0f);
}

TEST(NSUIOvalToolButton, OneImageButtonsSitOnADiscOthersDoNot) {
    NSRef<NSUIToolButton> button = makeButton("NSUIOvalToolButton", 30, 20);
    const auto draw = [&] {
        return recordDrawing([&] { button->drawRect(button->bounds()); });
    };
    const auto calls = draw();
    EXPECT_EQ(lastArguments(calls, "CGContextSetRGBFillColor"),
              (std::vector<CGFloat>{0.1, 0.1, 0.1, 0.8}));
    EXPECT_EQ(lastArguments(calls, "CGContextFillEllipseInRect"),
              (std::vector<CGFloat>{0, 0, 30, 20}))
        << "the bounds";

    button->setState(1);
    const std::vector<CGFloat> onFill = lastArguments(draw(), "CGContextSetRGBFillColor");
    ASSERT_EQ(onFill.size(), 4u);
    EXPECT_NE(onFill[0], CGFloat(0.1)) << "the accent colour when on";

    NSRef<NSImage> alternate = NSAdopt(new NSImage(QSizeF(8, 8)));
    button->setAlternateImage(alternate.get());
    EXPECT_FALSE(button->hasOnlyOneImage());
    EXPECT_TRUE(lastArguments(draw(), "CGContextFillEllipseInRect").empty());
}

struct Painted {
    std::vector<CGRecordedCall> calls;
    std::vector<CGFloat> ellipse;
    // The rounded square: its translation and its radius (from the right edge's end).
    std::vector<CGFloat> roundedAt;
    double radius = -1;
    // The PDF's fit: scale and translation.
    std::vector<CGFloat> fit;
};

// What painting `kind` for a button of `width` x `height` records.
Painted paintKind(int kind, double width, double height, const QString& name) {
    NSRef<NSUIToolButton> button = makeButton("NSUIToolButton", width, height);
    NSRef<NSUINfoGraffikImage> image = NSAdopt(new NSUINfoGraffikImage(QSizeF(width, height)));
    const double m = NSUINfoGraffikImage::marginForKind(kind);
    Painted painted;
    painted.calls = recordDrawing([&] {
        image->drawButton(button.get(), name, NSMakeRect(m, m, width - 2 * m, height - 2 * m), 0, m,
                          kind);
    });
    painted.ellipse = lastArguments(painted.calls, "CGContextFillEllipseInRect");
    painted.roundedAt = lastArguments(painted.calls, "CGContextTranslateCTM");
    for (const auto& call : painted.calls) {
        if (call.name == "CGContextAddPath" && call.path.size() > 1)
            painted.radius = call.path[0].points[0].y * 2 - call.path[1].points[0].y;
        if (call.name == "CGContextConcatCTM" && call.args[0] != 1)
            painted.fit = call.args;
    }
    return painted;
}

TEST(NSUINfoGraffikImage, KindsPlaceBackgroundAndPicture) {
    struct Row {
        int kind;
        double width, height;
        std::vector<CGFloat> ellipse;   // the circle, for the round kinds
        std::vector<CGFloat> roundedAt; // the rounded square, for the others
        double side, x, y;              // the picture square
    };
    const Row rows[] = {
        {3, 24, 24, {2, 2, 20, 20}, {}, 18, 3, 3}, // round
        {1, 24, 24, {2, 2, 20, 20}, {}, 16, 4, 4}, // radio
        {0, 30, 20, {}, {5, 0}, 20, 5, 0},         // no margin, the square centred
        {2, 24, 24, {}, {1, 1}, 20, 2, 2},         // round rect
        {9, 24, 24, {}, {1, 1}, 20, 2, 2},         // unknown kinds draw as kind 2
        {4, 24, 24, {2, 2, 20, 20}, {}, 18, 3, 3}, // kind 4 as kind 3
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        const Painted painted = paintKind(row.kind, row.width, row.height, "record");
        EXPECT_EQ(painted.ellipse, row.ellipse);
        if (!row.roundedAt.empty()) {
            EXPECT_EQ(painted.roundedAt, row.roundedAt);
            EXPECT_NEAR(painted.radius, 8, 1e-9);
        }
        const CGFloat scale = row.side / 64;
        EXPECT_EQ(painted.fit, (std::vector<CGFloat>{scale, 0, 0, scale, row.x, row.y}));
    }
}

TEST(NSUINfoGraffikImage, CornerRadiusSwitchesAboveSixtyFourPointsUnknownNamesDrawNoPicture) {
    EXPECT_NEAR(paintKind(0, 64, 64, QString()).radius, 8, 1e-9);
    EXPECT_NEAR(paintKind(0, 65, 65, QString()).radius, 12, 1e-9);

    // Unknown names leave the bare background.
    const Painted bare = paintKind(3, 24, 24, "no-such-picture-anywhere");
    EXPECT_TRUE(bare.fit.empty());
    for (const auto& call : bare.calls)
        EXPECT_NE(call.name, "CGContextDrawPDFPage");
}

// The pixel (x, y) from the lower-left corner of an image's bitmap at scale 1.
QColor pixel(NSImage* image, int x, int y) {
    return lumenreel::test::yUp(image->bitmapRepresentation()->qImage(), x, y);
}

// A push-on/push-off button gets the same round pictures of its own, as a toggle.
TEST(NSUINfoGraffik, RoundButtonsPaintGreyOffAndAccentOnImagesWithThePicture) {
    for (const char* name : {"NSUINfoGraffikRound", "NSUINfoGraffikRoundPushOnPushOff"}) {
        SCOPED_TRACE(name);
        NSRef<NSUIToolButton> button = makeButton(name, 24, 24, "record");
        NSImage* off = button->image();
        NSImage* on = button->alternateImage();
        ASSERT_NE(off, nullptr);
        ASSERT_NE(on, nullptr);
        EXPECT_EQ(button->cell()->title(), QString()) << "no title shown";
        EXPECT_EQ(pixel(off, 12, 12), QColor(255, 255, 255)) << "the picture in the middle";
        EXPECT_EQ(pixel(off, 4, 12), QColor(191, 191, 191)) << "opaque grey 0.75 background";
        const QColor accent =
            QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
        const QColor onBackground = pixel(on, 4, 12);
        EXPECT_NEAR(onBackground.red(), accent.red(), 1);
        EXPECT_NEAR(onBackground.blue(), accent.blue(), 1);
        EXPECT_EQ(pixel(off, 0, 0).alpha(), 0) << "outside the circle";
    }
    EXPECT_EQ(makeButton("NSUINfoGraffikRoundPushOnPushOff", 24, 24)->buttonType(), "toggle");
}

TEST(NSUINfoGraffik, NamedImagesAreCompositedSourceInAtTheirOwnSize) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath("Resources");
    writePicture(folder.filePath("Resources/redsquare.png"), QSize(10, 10), Qt::red);
    CFBundleSetMainBundleFolder(folder.path().toUtf8().constData());
    NSRef<NSUIToolButton> button = makeButton("NSUINfoGraffikRound", 24, 24, "redsquare");
    NSImage* off = button->image();
    ASSERT_NE(off, nullptr);
    // The picture square is (3, 3, 18, 18): the picture sits at (3, 3), 10 x 10.
    EXPECT_EQ(pixel(off, 10, 10), QColor(255, 0, 0)) << "picture over the circle";
    EXPECT_EQ(pixel(off, 3, 3).alpha(), 0) << "picture outside the circle is cut away";
    EXPECT_EQ(pixel(off, 18, 18), QColor(191, 191, 191)) << "background beyond the picture";
    CFBundleSetMainBundleFolder(nullptr);
}

TEST(NSUINfoGraffik, NamesAreComparedWithoutCaseResizesRebuildUnnamedButtonsHaveNoImages) {
    NSRef<NSUIToolButton> button = makeButton("NSUINfoGraffik", 24, 24, "play");
    auto* graffik = qobject_cast<NSUINfoGraffik*>(button.get());
    ASSERT_NE(graffik, nullptr);
    NSImage* first = button->image();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(graffik->isButtonNamed("PLAY"));
    button->setTitle("Play");
    EXPECT_EQ(button->image(), first) << "nothing rebuilt";
    EXPECT_EQ(graffik->buttonName(), "play");
    button->setTitle("stop");
    EXPECT_NE(button->image(), first);

    button->setFrameSize(NSSize(48, 48));
    EXPECT_EQ(button->image()->size(), QSizeF(48, 48));
    EXPECT_EQ(button->alternateImage()->size(), QSizeF(48, 48));

    NSRef<NSUIToolButton> unnamed = makeButton("NSUINfoGraffik", 24, 24);
    EXPECT_FALSE(qobject_cast<NSUINfoGraffik*>(unnamed.get())->isButtonNamed(QString()));
    EXPECT_EQ(unnamed->image(), nullptr);
}

class RedDelegate : public NSObject, public NSUIToolButtonDelegate {
    Q_OBJECT
    NS_DECLARE_CLASS(RedDelegate)
public:
    std::optional<NSColor> toolButton_fillColorForState(NSUIToolButton*, int) override {
        return NSColor::colorWithCalibratedRed(1, 0, 0, 1);
    }
};

TEST(NSUINfoGraffik, InterfaceFileWithADelegateRebuildsTheImagesWhenAwakened) {
    NSAutoreleasePool pool;
    ASSERT_NE(RedDelegate::classObject(), nullptr);
    QTemporaryDir folder;
    writeTestFile(folder.filePath("Graffiks.xml"), R"(<?xml version="1.0"?>
<interface>
  <object id="colours" class="RedDelegate"/>
  <view id="with" class="NSUINfoGraffikRound" frame="0 0 24 24" title="record">
    <outlet name="delegate" destination="colours"/>
  </view>
  <view id="without" class="NSUINfoGraffikRound" frame="0 0 24 24" title="record"/>
</interface>
)");
    NSNib::setInterfaceFolders({folder.path()});
    NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed("Graffiks"));
    QList<NSObject*> objects;
    ASSERT_TRUE(nib && nib->instantiateNibWithOwner(nullptr, &objects));
    ASSERT_EQ(objects.size(), 3);
    auto* with = qobject_cast<NSUIToolButton*>(objects[1]);
    auto* without = qobject_cast<NSUIToolButton*>(objects[2]);
    EXPECT_EQ(pixel(with->image(), 4, 12), QColor(255, 0, 0)) << "the delegate's colour";
    EXPECT_EQ(pixel(without->image(), 4, 12), QColor(191, 191, 191));
    NSNib::setInterfaceFolders({});
}

} // namespace

NS_IMPLEMENT_CLASS(RedDelegate, NSObject)

#include "NSUINfoGraffikTest.moc"
