// The gallery window painted for real: every view draws inside its frame and nothing outside,
// and the picture is written next to the test program (controls-gallery.png) to look at.

#include "Gallery.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QRegion>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

int colourDistance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

TEST(Gallery, EveryControlDrawsInsideItsFrame) {
    Gallery gallery = makeGallery();
    gallery.window->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gallery.window->widget(), 10000));
    QCoreApplication::processEvents();
    const QImage shot = gallery.window->contentView()->widget()->grab().toImage().convertToFormat(
        QImage::Format_RGB32);
    shot.save(
        QDir(QCoreApplication::applicationDirPath())
            .filePath(
                QStringLiteral("controls-gallery-%1.png").arg(QGuiApplication::platformName())));
    ASSERT_EQ(shot.size(), QSize(int(kGalleryWidth), int(kGalleryHeight)));

    const QColor backdrop(158, 168, 184);
    QRegion inside;
    for (int i = 1; i < gallery.views.size(); ++i)
        inside += NSFlipRect(gallery.views[i]->frame(), kGalleryHeight)
                      .adjusted(-2, -2, 2, 2)
                      .toAlignedRect();
    int stray = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!inside.contains(QPoint(x, y)) &&
                colourDistance(shot.pixelColor(x, y), backdrop) > 6)
                ++stray;
    EXPECT_EQ(stray, 0) << "pixels drawn outside every view";

    for (int i = 1; i < gallery.views.size(); ++i) {
        NSView* view = gallery.views[i].get();
        const QString name = view->className();
        const QRect place = NSFlipRect(view->frame(), kGalleryHeight).toRect();
        int drawn = 0;
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x)
                drawn += colourDistance(shot.pixelColor(x, y), backdrop) > 12;
        if (name == QLatin1StringView("NSUITransparentView"))
            EXPECT_EQ(drawn, 0) << name.toStdString();
        else
            EXPECT_GT(drawn, place.width() * place.height() / 20) << name.toStdString();
    }
}

} // namespace
