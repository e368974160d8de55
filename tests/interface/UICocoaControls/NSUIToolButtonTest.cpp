// Tool buttons: the cell defaults, per-state answers with and without a delegate (which may go
// away), and the oval behind a one-image button.

#include "interface/UICocoaControls/NSUIToolButton.h"
#include "interface/UICocoaControls/NSUIToolButtonDelegate.h"
#include "platform/appkit/NSButtonCell.h"
#include "platform/appkitcore/NSImage.h"
#include "support/VerifyCapture.h"

#include "common/RecordedDrawing.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using lumenreel::test::lastArguments;
using lumenreel::test::recordDrawing;

NSRef<NSUIToolButton> makeButton(const char* className, const NSRect& frame) {
    Class cls = NSClassFromString(QString::fromLatin1(className));
    EXPECT_NE(cls, nullptr) << className;
    auto* button = qobject_cast<NSUIToolButton*>(cls->alloc()->init());
    button->setFrame(frame);
    return NSAdopt(button);
}

void expectColor(const NSColor& color, double red, double green, double blue, double alpha) {
    EXPECT_NEAR(color.redComponent(), red, 1e-6);
    EXPECT_NEAR(color.greenComponent(), green, 1e-6);
    EXPECT_NEAR(color.blueComponent(), blue, 1e-6);
    EXPECT_NEAR(color.alphaComponent(), alpha, 1e-6);
}

TEST(NSUIToolButton, CellIsStrippedToTheImageAndTogglesChangeContents) {
    ASSERT_EQ(import_NSUIToolButton(), 1);
    NSRef<NSUIToolButton> button = makeButton("NSUIToolButton", NSMakeRect(0, 0, 24, 24));
    button->setTitle(QStringLiteral("Render"));
    EXPECT_EQ(button->cell()->title(), QString());
    EXPECT_EQ(button->buttonKind(), 0);
    button->setButtonKind(3);
    EXPECT_EQ(button->buttonKind(), 0);

    NSRef<NSUIToolButton> toggle = makeButton("NSUIToggleButton", NSMakeRect(0, 0, 24, 24));
    EXPECT_EQ(toggle->cell()->cellAttribute(NSCellLightsByContents), 1);
    EXPECT_EQ(toggle->cell()->cellAttribute(NSCellChangesContents), 1);
}

TEST(NSUIToolButton, MissingCellIsReportedAndRefused) {
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
    NSRef<NSUIToolButton> button = makeButton("NSUIToolButton", NSMakeRect(0, 0, 24, 24));
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
    NSRef<NSUIToolButton> button = makeButton("NSUIOvalToolButton", NSMakeRect(3, 4, 30, 20));
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

} // namespace
