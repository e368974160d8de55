// A small window with each control, painted for real (offscreen, and under Xvfb with the xcb
// platform by a second CTest entry) and compared with what its geometry says: the window's
// background wherever no control is, and something drawn inside every control. The picture is also
// written next to the test program (appkit-window.png) to look at.

#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkit/NSWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegion>
#include <QTest>
#include <QWidget>

#include "common/NSImageOf.h"

#include <gtest/gtest.h>

namespace {

constexpr double kHeight = 160;

int colourDistance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

TEST(NSScreenshot, EachControlIsDrawnWhereItsFrameSays) {
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    window->setFrame(NSMakeRect(40, 40, 240, kHeight), false);
    window->setTitle(QStringLiteral("Controls"));
    QList<NSRef<NSView>> views;
    auto place = [&](NSView* view, const NSRect& frame) {
        view->setFrame(frame);
        window->contentView()->addSubview(view);
        views.append(NSAdopt(view));
    };

    auto* render = NSAllocInit<NSButton>();
    render->setTitle(QStringLiteral("Render"));
    place(render, NSMakeRect(10, 120, 100, 30));
    auto* loop = NSAllocInit<NSButton>();
    loop->setButtonType(QStringLiteral("switch"));
    loop->setTitle(QStringLiteral("Loop"));
    loop->setState(1);
    place(loop, NSMakeRect(10, 90, 100, 22));
    auto* label = NSAllocInit<NSTextField>();
    label->setStringValue(QStringLiteral("Frames per second"));
    place(label, NSMakeRect(10, 60, 130, 20));
    auto* rate = NSAllocInit<NSTextField>();
    rate->setEditable(true);
    rate->setNumberFormat(true);
    rate->setDecimals(0);
    rate->setDoubleValue(30);
    place(rate, NSMakeRect(10, 32, 60, 24));
    auto* size = NSAllocInit<NSPopUpButton>();
    size->addItemWithTitle(QStringLiteral("640 x 480"), 0);
    place(size, NSMakeRect(120, 122, 110, 28));
    auto* progress = NSAllocInit<NSProgressIndicator>();
    progress->setMaxValue(1);
    progress->setDoubleValue(0.5);
    place(progress, NSMakeRect(10, 8, 220, 16));
    auto* preview = NSAllocInit<NSImageView>();
    NSRef<NSImage> image = lumenreel::test::imageOf(
        lumenreel::test::twoBandPicture({40, 40}, 10, QColor(200, 0, 200), QColor(0, 200, 0)));
    preview->setImage(image.get());
    place(preview, NSMakeRect(170, 40, 40, 40));

    window->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->widget(), 10000));
    QCoreApplication::processEvents();
    const QImage shot =
        window->contentView()->widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("appkit-window-%1.png").arg(QGuiApplication::platformName())));
    ASSERT_EQ(shot.size(), QSize(240, int(kHeight)));

    // Where each control must be from the geometry, in Qt's y-down space.
    QRegion controls;
    for (const NSRef<NSView>& view : views)
        controls += NSFlipRect(view->frame(), kHeight).adjusted(-2, -2, 2, 2).toAlignedRect();

    const QColor background = shot.pixelColor(235, 80);
    int strayPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!controls.contains(QPoint(x, y)) &&
                colourDistance(shot.pixelColor(x, y), background) > 24)
                ++strayPixels;
    EXPECT_EQ(strayPixels, 0) << "pixels drawn outside every control";

    for (const NSRef<NSView>& view : views) {
        const QRect area = NSFlipRect(view->frame(), kHeight).toRect();
        int drawn = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                drawn += colourDistance(shot.pixelColor(x, y), background) > 24;
        EXPECT_GT(drawn, area.width() * area.height() / 50) << view->className().toStdString();
    }
}

} // namespace
