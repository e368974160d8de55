#include "QCTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>

namespace {

QSet<QRgb> coloursOf(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

bool opaque(const QSet<QRgb>& colours) {
    return std::ranges::all_of(colours, [](QRgb colour) { return qAlpha(colour) == 255; });
}

class QCSampleCompositionsTest : public testing::TestWithParam<const char*> {};

// Each bundled sample loads, renders opaque pictures with real detail, and moves over time.
TEST_P(QCSampleCompositionsTest, RendersAnimatedOpaqueFrames) {
    const QString path = QDir(QStringLiteral(QC_SAMPLES_PATH)).filePath(GetParam());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    NSRef<QCRenderer> renderer =
        qctest::rendererOf(QString::fromUtf8(file.readAll()), QSize(96, 54), path);
    ASSERT_TRUE(renderer);
    const QImage early = qctest::render(renderer.get(), {0.0, 1.0 / 30.0, 2.0 / 30.0});
    const QImage later = qctest::render(renderer.get(), {1.0, 2.0});
    ASSERT_FALSE(early.isNull());
    ASSERT_FALSE(later.isNull());
    EXPECT_TRUE(opaque(coloursOf(early)));
    const QSet<QRgb> colours = coloursOf(later);
    EXPECT_TRUE(opaque(colours));
    EXPECT_GT(colours.size(), 200);
    EXPECT_NE(early, later);
}

INSTANTIATE_TEST_SUITE_P(
    Bundled, QCSampleCompositionsTest,
    testing::Values("Aurora.fs", "FeedbackTrails.fs", "Kaleidoscope.fs", "SunsetWaves.glsl"),
    [](const testing::TestParamInfo<const char*>& testCase) {
        return QString::fromLatin1(testCase.param).section(u'.', 0, 0).toStdString();
    });

} // namespace
