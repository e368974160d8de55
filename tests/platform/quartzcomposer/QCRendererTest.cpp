#include "QCTestSupport.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <thread>

using lumenreel::test::writeTestFile;
using qctest::isf;
using qctest::pixel;
using qctest::rendererOf;
using qctest::renderText;
using qctest::RGBA;

TEST(QCRendererTest, FrameIndexTimeDeltaAndRenderSizeReachTheShader) {
    const QString text = isf(QStringLiteral(
        "void main() { gl_FragColor = vec4(float(FRAMEINDEX) / 255.0, TIMEDELTA * 100.0 / 255.0, "
        "(RENDERSIZE.x + 2.0 * RENDERSIZE.y) / 255.0, 1.0); }"));
    const QImage first = renderText(text, QSize(64, 32), {5.0});
    ASSERT_EQ(first.size(), QSize(64, 32));
    EXPECT_EQ(pixel(first, 63, 31), (RGBA{0, 0, 128, 255}));
    EXPECT_EQ(pixel(renderText(text, QSize(4, 4), {0.0, 0.5, 1.25}), 0, 0), (RGBA{2, 75, 12, 255}));
}

// As on ISF hosts, the date moves to the next day at midnight and its seconds start again.
TEST(QCRendererTest, DateIsTheJobsLocalDateWithSecondsAdvancedByTheRenderTime) {
    NSRef<QCRenderer> renderer = rendererOf(
        isf(QStringLiteral("void main() { gl_FragColor = vec4(mod(DATE.x, 256.0) / 255.0, DATE.y / "
                           "255.0, DATE.z / 255.0, mod(floor(DATE.w), 256.0) / 255.0); }")),
        QSize(2, 2));
    ASSERT_TRUE(renderer);
    const QDateTime start = renderer->jobStartDate();
    EXPECT_LE(std::abs(start.secsTo(QDateTime::currentDateTime())), 60);
    // The date as the shader packs it: year mod 256, month, day, whole seconds mod 256.
    const auto packed = [](const QDateTime& at) {
        return RGBA{at.date().year() % 256, at.date().month(), at.date().day(),
                    (at.time().msecsSinceStartOfDay() / 1000) % 256};
    };
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {0.0}), 0, 0), packed(start));
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {3.0}), 0, 0), packed(start.addMSecs(3000)));
    // A few seconds past the midnight after the job's start.
    const double past = 86400.0 - start.time().msecsSinceStartOfDay() / 1000.0 + 7.25;
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {past}), 0, 0),
              packed(start.addMSecs(qint64(past * 1000.0))));
}

TEST(QCRendererTest, TopRowOfTheSnapshotIsTheTopOfThePictureAndAlphaStaysStraight) {
    const QImage image = renderText(isf(QStringLiteral(R"(void main() {
  if (isf_FragNormCoord.y > 0.5) gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);
  else gl_FragColor = vec4(1.0, 0.5, 0.0, 0.5);
  if (gl_FragCoord.x < 1.0) gl_FragColor.b = 1.0;
})")),
                                    QSize(8, 6));
    EXPECT_EQ(pixel(image, 0, 0), (RGBA{255, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 7, 2), (RGBA{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 7, 3), (RGBA{255, 128, 0, 128}));
}

TEST(QCRendererTest, ChainedPassesRenderAtTheirOwnSizesAndReadEachOther) {
    const QString text =
        isf(QStringLiteral("\"PASSES\": [ { \"TARGET\": \"small\", \"WIDTH\": \"$WIDTH / 4\", "
                           "\"HEIGHT\": \"floor($HEIGHT / 3.0)\" }, { \"TARGET\": \"wide\", "
                           "\"WIDTH\": 20, \"HEIGHT\": \"$HEIGHT\" }, {} ]"),
            QStringLiteral(R"(void main() {
  if (PASSINDEX == 0) gl_FragColor = vec4(RENDERSIZE / 255.0, 0.2, 1.0);
  else if (PASSINDEX == 1)
    gl_FragColor = IMG_NORM_PIXEL(small, vec2(0.5)) + vec4(0.0, 0.0, RENDERSIZE.x / 255.0, 0.0);
  else gl_FragColor = vec4(IMG_THIS_NORM_PIXEL(wide).rgb, IMG_SIZE(small).y / 255.0);
})"));
    NSRef<QCRenderer> renderer = rendererOf(text, QSize(64, 48));
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->passSize(0), QSize(16, 16));
    EXPECT_EQ(renderer->passSize(1), QSize(20, 48));
    EXPECT_EQ(renderer->passSize(2), QSize(64, 48));
    const QImage image = qctest::render(renderer.get(), {0.0});
    // Pass 0 saw 16 x 16; pass 1 added its own width to 0.2 (51); pass 2 reports pass 0's height.
    EXPECT_EQ(pixel(image, 10, 10), (RGBA{16, 16, 71, 16}));
}

// Pass targets: persistent ones accumulate over frames and others start each frame empty;
// float ones keep values above one.
TEST(QCRendererTest, PassTargetsKeepWhatTheirOptionsAsk) {
    const QString body = QStringLiteral(R"(void main() {
  if (PASSINDEX == 0) gl_FragColor = IMG_THIS_PIXEL(acc) + vec4(10.0 / 255.0);
  else gl_FragColor = IMG_THIS_PIXEL(acc);
})");
    const QString kept = isf(
        QStringLiteral("\"PASSES\": [ { \"TARGET\": \"acc\", \"PERSISTENT\": true }, {} ]"), body);
    const QString notKept =
        isf(QStringLiteral("\"PASSES\": [ { \"TARGET\": \"acc\" }, {} ]"), body);
    EXPECT_EQ(pixel(renderText(kept, QSize(8, 8), {0.0, 0.1, 0.2}), 3, 3), (RGBA{30, 30, 30, 30}));
    EXPECT_EQ(pixel(renderText(notKept, QSize(8, 8), {0.0, 0.1, 0.2}), 3, 3),
              (RGBA{10, 10, 10, 10}));

    // A float buffer keeps values above one.
    const QString overOne = QStringLiteral(R"(void main() {
  if (PASSINDEX == 0) gl_FragColor = vec4(1.6);
  else gl_FragColor = vec4(IMG_THIS_PIXEL(big).rgb * 0.25, 1.0);
})");
    const QString withFloat = isf(
        QStringLiteral("\"PASSES\": [ { \"TARGET\": \"big\", \"FLOAT\": true }, {} ]"), overOne);
    const QString withBytes =
        isf(QStringLiteral("\"PASSES\": [ { \"TARGET\": \"big\" }, {} ]"), overOne);
    EXPECT_EQ(pixel(renderText(withFloat, QSize(4, 4)), 1, 1), (RGBA{102, 102, 102, 255}));
    EXPECT_EQ(pixel(renderText(withBytes, QSize(4, 4)), 1, 1), (RGBA{64, 64, 64, 255}));

    // A last pass with a target is the picture.
    const QImage image = renderText(
        isf(QStringLiteral("\"PASSES\": [ { \"TARGET\": \"last\", \"PERSISTENT\": true } ]"),
            QStringLiteral("void main() { gl_FragColor = vec4(0.2, 0.4, 0.6, 1.0); }")),
        QSize(5, 5));
    EXPECT_EQ(pixel(image, 2, 2), (RGBA{51, 102, 153, 255}));
}

TEST(QCRendererTest, CompanionVertexShaderWithVersionTestsFeedsTheFragmentShader) {
    QTemporaryDir folder;
    writeTestFile(
        folder.filePath(QStringLiteral("Shifted.vs")),
        "#if __VERSION__ <= 120\nvarying vec2 shifted;\n#else\nout vec2 shifted;\n#endif\n"
        "void main() {\n  isf_vertShaderInit();\n"
        "  shifted = vec2(0.25, 0.75) + 0.0 * isf_FragNormCoord;\n}\n");
    const QString fragment =
        isf(QStringLiteral("#if __VERSION__ <= 120\nvarying vec2 shifted;\n#else\nin vec2 "
                           "shifted;\n#endif\n"
                           "void main() { gl_FragColor = vec4(shifted, 0.0, 1.0); }"));
    EXPECT_EQ(pixel(renderText(fragment, QSize(4, 4), {0.0},
                               folder.filePath(QStringLiteral("Shifted.fs"))),
                    1, 1),
              (RGBA{64, 191, 0, 255}));
}

TEST(QCRendererTest, ShadertoyUniforms) {
    QTemporaryDir folder;
    ASSERT_TRUE(qctest::quadrants(4).scaled(6, 2).save(folder.filePath(QStringLiteral("c.png"))));
    const QString text = QStringLiteral(
        "#iChannel1 \"file://c.png\"\n"
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
        "  vec2 uv = fragCoord / iResolution.xy;\n"
        "  if (uv.x < 0.25) fragColor = vec4(iResolution.x / 255.0, iTime / 10.0, "
        "float(iFrame) / 255.0, 0.0);\n"
        "  else if (uv.x < 0.5) fragColor = vec4(iTimeDelta * 0.4, iGlobalTime / 10.0, iFrameRate "
        "/ "
        "255.0, 0.0);\n"
        "  else if (uv.x < 0.75) fragColor = vec4(iChannelResolution[1].xy / 255.0, "
        "iChannelResolution[0].x + length(iMouse), 0.0);\n"
        "  else fragColor = vec4(iSampleRate / 44100.0, iDate.y / 255.0, texture(iChannel0, "
        "uv).a, 0.0);\n"
        "}\n");
    NSRef<QCRenderer> renderer = rendererOf(text, QSize(40, 4), folder.path());
    ASSERT_TRUE(renderer);
    const QImage image = qctest::render(renderer.get(), {0.0, 1.5, 2.0});
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(pixel(image, 2, 1), (RGBA{40, 51, 2, 255}));
    EXPECT_EQ(pixel(image, 12, 1), (RGBA{51, 51, 2, 255}));
    EXPECT_EQ(pixel(image, 22, 1), (RGBA{6, 2, 0, 255}));
    // Shadertoy counts months from 0.
    EXPECT_EQ(pixel(image, 32, 1),
              (RGBA{255, renderer->jobStartDate().date().month() - 1, 0, 255}));
}

TEST(QCRendererTest, RendererMadeOnOneThreadRendersOnLaterThreads) {
    NSRef<QCRenderer> renderer = rendererOf(
        isf(QStringLiteral("void main() { gl_FragColor = vec4(float(FRAMEINDEX) / 255.0, TIME / "
                           "10.0, 0.0, 1.0); }")),
        QSize(16, 16));
    ASSERT_TRUE(renderer);
    RGBA fromFirst{};
    RGBA fromSecond{};
    std::thread([&] { fromFirst = pixel(qctest::render(renderer.get(), {1.0}), 0, 0); }).join();
    std::thread([&] { fromSecond = pixel(qctest::render(renderer.get(), {2.0}), 0, 0); }).join();
    EXPECT_EQ(fromFirst, (RGBA{0, 26, 0, 255}));
    EXPECT_EQ(fromSecond, (RGBA{1, 51, 0, 255}));
    // And back on the thread that made it.
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {4.0}), 15, 15), (RGBA{2, 102, 0, 255}));
}

TEST(QCRendererTest, LargestPresetSizeRenders) {
    const QImage image =
        renderText(isf(QStringLiteral("void main() { gl_FragColor = vec4(isf_FragNormCoord, "
                                      "0.0, 1.0); }")),
                   QSize(4096, 2160));
    ASSERT_EQ(image.size(), QSize(4096, 2160));
    EXPECT_EQ(pixel(image, 0, 2159), (RGBA{0, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 4095, 0), (RGBA{255, 255, 0, 255}));
}

TEST(QCRendererTest, RefusesUnusableSizesMissingPartsAndSnapshotsItCannotGive) {
    NSAutoreleasePool pool;
    QCComposition* composition = QCComposition::compositionWithData(
        isf(QStringLiteral("void main() { gl_FragColor = vec4(1.0); }")).toUtf8());
    ASSERT_NE(composition, nullptr);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    const QString log = qctest::capturedLog([&] {
        for (QSizeF size : {QSizeF(0, 10), QSizeF(-4, 4), QSizeF(std::nan(""), 4), QSizeF(1e9, 10),
                            QSizeF(40000, 40000)})
            EXPECT_EQ(QCRenderer::initOffScreenWithSize(size, space, composition), nullptr);
        EXPECT_EQ(QCRenderer::initOffScreenWithSize(QSizeF(4, 4), space, nullptr), nullptr);
        EXPECT_EQ(QCRenderer::initOffScreenWithSize(QSizeF(4, 4), nullptr, composition), nullptr);
    });
    EXPECT_EQ(log.count(QStringLiteral("QCRenderer: no renderer")), 7);
    NSRef<QCRenderer> renderer =
        NSAdopt(QCRenderer::initOffScreenWithSize(QSizeF(3.4, 2.6), space, composition));
    CGColorSpaceRelease(space);
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->size(), QSize(3, 3));
    EXPECT_EQ(renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")), nullptr);
    EXPECT_FALSE(renderer->renderAtTime(std::nan("")));
    ASSERT_TRUE(renderer->renderAtTime(0.0));
    EXPECT_EQ(renderer->createSnapshotImageOfType(QStringLiteral("CIImage")), nullptr);
    NSRef<NSBitmapImageRep> snapshot =
        NSAdopt(renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->retainCount(), 1u);
    EXPECT_EQ(pixel(snapshot->qImage(), 2, 2), (RGBA{255, 255, 255, 255}));
}

TEST(QCRendererTest, SnapshotsStillHeldKeepTheirPicturesAndLetGoOnesAreReused) {
    NSRef<QCRenderer> renderer =
        rendererOf(isf(QStringLiteral("void main() { gl_FragColor = vec4(TIME, 0.0, 0.0, 1.0); }")),
                   QSize(64, 48));
    ASSERT_TRUE(renderer);
    auto snapshotAt = [&](double time) {
        EXPECT_TRUE(renderer->renderAtTime(time));
        return NSAdopt(renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
    };
    NSRef<NSBitmapImageRep> first = snapshotAt(0.2);
    NSRef<NSBitmapImageRep> second = snapshotAt(0.6);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->bitmapData(), second->bitmapData());
    EXPECT_EQ(pixel(first->qImage(), 5, 5)[0], 51);
    EXPECT_EQ(pixel(second->qImage(), 5, 5)[0], 153);

    // The first picture is let go on another thread, as an encoder does; a copy of the second
    // outlives its bitmap.
    const unsigned char* firstPixels = first->bitmapData();
    std::thread([held = std::move(first)]() mutable { held = nullptr; }).join();
    const QImage kept = second->qImage();
    second = nullptr;
    NSRef<NSBitmapImageRep> third = snapshotAt(0.4);
    NSRef<NSBitmapImageRep> fourth = snapshotAt(0.8);
    ASSERT_TRUE(third && fourth);
    EXPECT_EQ(third->bitmapData(), firstPixels);
    EXPECT_NE(fourth->bitmapData(), kept.constBits());
    EXPECT_EQ(pixel(third->qImage(), 5, 5)[0], 102);
    EXPECT_EQ(pixel(fourth->qImage(), 5, 5)[0], 204);
    EXPECT_EQ(pixel(kept, 5, 5)[0], 153);
}
