#include "QCTestSupport.h"

#include <gtest/gtest.h>

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

class QCConformanceTest : public testing::TestWithParam<Fixture> {};

TEST_P(QCConformanceTest, RendersTheExpectedPixel) {
    const Fixture& fixture = GetParam();
    const QImage image =
        qctest::renderFixture(QString::fromLatin1(fixture.file), fixture.size, fixture.times);
    EXPECT_EQ(qctest::pixel(image, fixture.x, fixture.y), fixture.expected);
}

// Every GLSL dialect of a fixture draws the same blue.
std::vector<Fixture> fixtures() {
    std::vector<Fixture> rows{
        {"input-event.fs", {4, 4}, {0.0}, 1, 1, {0, 255, 0, 255}},
        {"input-bool.fs", {4, 4}, {0.0}, 1, 1, {255, 0, 0, 255}},
        {"input-long.fs", {4, 4}, {0.0}, 1, 1, {100, 30, 0, 255}},
        {"input-float.fs", {4, 4}, {0.0}, 1, 1, {102, 51, 0, 255}},
        {"input-point2D.fs", {4, 4}, {0.0}, 1, 1, {51, 153, 0, 255}},
        {"input-color.fs", {4, 4}, {0.0}, 1, 1, {255, 102, 51, 153}},
        {"input-image.fs", {4, 4}, {0.0}, 1, 1, {0, 0, 0, 0}},
        {"input-audio.fs", {4, 4}, {0.0}, 1, 1, {128, 128, 128, 255}},
        {"input-audioFFT.fs", {4, 4}, {0.0}, 1, 1, {0, 0, 0, 255}},
        {"img-pixel.fs", {2, 2}, {0.0}, 0, 0, {120, 180, 200, 255}},
        {"img-norm-pixel.fs", {2, 2}, {0.0}, 1, 1, {0, 0, 200, 255}},
        {"img-this-pixel.fs", {4, 4}, {0.0}, 3, 1, {180, 60, 200, 255}},
        {"img-this-norm-pixel.fs", {4, 4}, {0.0}, 1, 2, {60, 120, 200, 255}},
        {"img-norm-this-pixel.fs", {4, 4}, {0.0}, 2, 3, {120, 180, 200, 255}},
        {"img-size.fs", {30, 2}, {0.0}, 0, 0, {4, 4, 10, 7}},
        {"v1-feedback.fs", {4, 4}, {0.0, 0.5}, 2, 2, {40, 80, 0, 120}},
        {"version-none-uint.fs", {2, 2}, {0.0}, 0, 0, {100, 10, 50, 255}},
        {"version-none-overloads.fs", {2, 2}, {0.0}, 0, 0, {100, 255, 0, 255}}};
    for (const char* file :
         {"version-test.fs", "version-none.fs", "version-100.fs", "version-110.fs",
          "version-120.fs", "version-130.fs", "version-150.fs", "version-300es.fs",
          "version-330core.fs", "version-450.fs", "extension-own.fs"})
        rows.push_back({file, {2, 2}, {0.0}, 0, 0, {0, 0, 200, 255}});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(ISFFixtures, QCConformanceTest, testing::ValuesIn(fixtures()),
                         [](const testing::TestParamInfo<Fixture>& testCase) {
                             QString name =
                                 QString::fromLatin1(testCase.param.file).section(u'.', 0, 0);
                             name.replace(u'-', u'_');
                             return name.toStdString();
                         });

} // namespace
