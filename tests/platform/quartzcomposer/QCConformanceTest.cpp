#include "QCTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <vector>

using qctest::RGBA;

namespace {

struct Fixture {
    const char* file;
    QSize size;
    std::vector<double> times;
    int x;
    int y;
    RGBA expected;
};

void PrintTo(const Fixture& fixture, std::ostream* out) {
    *out << fixture.file;
}

// The picture the image fixtures import: 4 x 4, pixel (x, y) from the top-left has the colour
// (60 x, 60 y, 200, 255).
QImage gridPicture() {
    QImage image(4, 4, QImage::Format_RGBA8888);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, QColor(60 * x, 60 * y, 200, 255));
    }
    return image;
}

class QCConformanceTest : public testing::TestWithParam<Fixture> {};

TEST_P(QCConformanceTest, RendersTheExpectedPixel) {
    const Fixture& fixture = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(gridPicture().save(folder.filePath(QStringLiteral("grid.png"))));
    QFile file(qctest::fixturePath(QString::fromLatin1(fixture.file)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << fixture.file;
    const QString text = QString::fromUtf8(file.readAll());

    NSAutoreleasePool pool;
    QCComposition* composition =
        qctest::composition(text, folder.filePath(QString::fromLatin1(fixture.file)));
    ASSERT_NE(composition, nullptr);
    NSRef<QCRenderer> renderer = qctest::renderer(composition, fixture.size);
    ASSERT_TRUE(renderer);
    QImage image;
    for (double time : fixture.times)
        image = qctest::render(renderer.get(), {time});
    EXPECT_EQ(qctest::pixel(image, fixture.x, fixture.y), fixture.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ISFFixtures, QCConformanceTest,
    testing::Values(Fixture{"input-event.fs", {4, 4}, {0.0}, 1, 1, {0, 255, 0, 255}},
                    Fixture{"input-bool.fs", {4, 4}, {0.0}, 1, 1, {255, 0, 0, 255}},
                    Fixture{"input-long.fs", {4, 4}, {0.0}, 1, 1, {100, 30, 0, 255}},
                    Fixture{"input-float.fs", {4, 4}, {0.0}, 1, 1, {102, 51, 0, 255}},
                    Fixture{"input-point2D.fs", {4, 4}, {0.0}, 1, 1, {51, 153, 0, 255}},
                    Fixture{"input-color.fs", {4, 4}, {0.0}, 1, 1, {255, 102, 51, 153}},
                    Fixture{"input-image.fs", {4, 4}, {0.0}, 1, 1, {0, 0, 0, 0}},
                    Fixture{"input-audio.fs", {4, 4}, {0.0}, 1, 1, {128, 128, 128, 255}},
                    Fixture{"input-audioFFT.fs", {4, 4}, {0.0}, 1, 1, {0, 0, 0, 255}},
                    Fixture{"img-pixel.fs", {2, 2}, {0.0}, 0, 0, {120, 180, 200, 255}},
                    Fixture{"img-norm-pixel.fs", {2, 2}, {0.0}, 1, 1, {0, 0, 200, 255}},
                    Fixture{"img-this-pixel.fs", {4, 4}, {0.0}, 3, 1, {180, 60, 200, 255}},
                    Fixture{"img-this-norm-pixel.fs", {4, 4}, {0.0}, 1, 2, {60, 120, 200, 255}},
                    Fixture{"img-norm-this-pixel.fs", {4, 4}, {0.0}, 2, 3, {120, 180, 200, 255}},
                    Fixture{"img-size.fs", {30, 2}, {0.0}, 0, 0, {4, 4, 10, 7}},
                    Fixture{"v1-feedback.fs", {4, 4}, {0.0, 0.5}, 2, 2, {40, 80, 0, 120}},
                    Fixture{"version-test.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-none.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-100.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-110.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-120.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-130.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-150.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-300es.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-330core.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-450.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}},
                    Fixture{"version-none-uint.fs", {2, 2}, {0.0}, 0, 0, {100, 10, 50, 255}},
                    Fixture{"version-none-overloads.fs", {2, 2}, {0.0}, 0, 0, {100, 255, 0, 255}},
                    Fixture{"extension-own.fs", {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}}),
    [](const testing::TestParamInfo<Fixture>& testCase) {
        QString name = QString::fromLatin1(testCase.param.file).section(u'.', 0, 0);
        name.replace(u'-', u'_');
        return name.toStdString();
    });

} // namespace
