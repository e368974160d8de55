// Shaders behave as on the hosts they were written for: each probe shader writes the value it
// checks into its output pixel.

#include "QCTestSupport.h"

#include "platform/quartzcomposer/QCGraphicsReset.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

using qctest::isf;
using qctest::oneLineSaying;
using qctest::pixel;
using qctest::rendererOf;
using qctest::renderText;
using qctest::RGBA;

namespace {

QString toy(const QString& body) {
    return QStringLiteral("void mainImage(out vec4 c, in vec2 p) {\n%1\n}\n").arg(body);
}

// The red of `text`'s 2 x 2 picture after rendering at each time in turn, at the job's frame
// rate when one is given.
int redAfter(const QString& text, const std::vector<double>& times, double frameRate = 0.0) {
    NSRef<QCRenderer> renderer = rendererOf(text, QSize(2, 2));
    if (renderer && frameRate > 0.0)
        renderer->setFrameRate(frameRate);
    return pixel(qctest::render(renderer.get(), times), 0, 0)[0];
}

} // namespace

TEST(QCHostConventionsTest, HardwarePerformanceIsDefinedAsOnDesktopShadertoy) {
    const QImage image = renderText(
        QStringLiteral(
            "#if HW_PERFORMANCE==0\n#define SAMPLES 1\n#else\n#define SAMPLES 2\n#endif\n") +
            toy(QStringLiteral(
                "c = vec4(float(SAMPLES) * 0.25, float(HW_PERFORMANCE), 0.0, 1.0);")),
        QSize(2, 2));
    EXPECT_EQ(pixel(image, 0, 0), (RGBA{128, 255, 0, 255}));
}

TEST(QCHostConventionsTest, ChannelsRepeatAndUseMipmapsUnlessTheShaderAsksOtherwise) {
    QTemporaryDir folder;
    // 2 x 1: black left, white right.
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixelColor(0, 0, Qt::black);
    two.setPixelColor(1, 0, Qt::white);
    ASSERT_TRUE(two.save(folder.filePath(QStringLiteral("two.png"))));
    // 64 x 64 single-pixel checks: minified to 4 x 4, mipmaps average them to grey.
    QImage checks(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            checks.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    ASSERT_TRUE(checks.save(folder.filePath(QStringLiteral("checks.png"))));
    // Left half: channel 0 read at u = 1.25 (repeated: the centre of the black pixel; clamped: the
    // white one). Right half: channel 1 minified.
    const QString body =
        toy(QStringLiteral("vec2 uv = p / iResolution.xy;\n"
                           "if (uv.x < 0.5) c = texture(iChannel0, vec2(1.25, 0.5));\n"
                           "else c = texture(iChannel1, uv);"));
    const QString channels = QStringLiteral("#iChannel0 \"two.png\"\n#iChannel1 \"checks.png\"\n");
    const QImage defaults = renderText(channels + body, QSize(8, 4), {0.0}, folder.path());
    EXPECT_EQ(pixel(defaults, 1, 1), (RGBA{0, 0, 0, 255}));
    EXPECT_NEAR(pixel(defaults, 6, 1)[0], 128, 8);

    const QString asked = channels + QStringLiteral("#iChannel0::WrapMode \"Clamp\"\n"
                                                    "#iChannel1::MinFilter \"Nearest\"\n"
                                                    "#iChannel1::MagFilter \"Nearest\"\n");
    const QImage options = renderText(asked + body, QSize(8, 4), {0.0}, folder.path());
    EXPECT_EQ(pixel(options, 1, 1), (RGBA{255, 255, 255, 255}));
    const int sharp = pixel(options, 6, 1)[0];
    EXPECT_TRUE(sharp == 0 || sharp == 255) << sharp;
}

TEST(QCHostConventionsTest, ChannelOptionLinesThatMeanNothingAreRefusedWithTheirLine) {
    for (const char* line :
         {"#iChannel0::WrapMode \"Sideways\"", "#iChannel1::Colour \"Red\"",
          "#iChannel9::WrapMode \"Clamp\"", "#iChannel0::MagFilter \"LinearMipMapLinear\""}) {
        QString log;
        EXPECT_FALSE(qctest::parses("\n" + QByteArray(line) + "\n" +
                                        toy(QStringLiteral("c = vec4(1.0);")).toUtf8(),
                                    {}, &log))
            << line;
        EXPECT_TRUE(oneLineSaying(log, QStringLiteral("line 2")));
    }
}

TEST(QCHostConventionsTest, FrameRateIsTheJobsFromTheFirstFrame) {
    const QString body = toy(QStringLiteral("c = vec4(iFrameRate / 255.0, 0.0, 0.0, 1.0);"));
    EXPECT_EQ(redAfter(body, {0.0}, 25.0), 25);
    EXPECT_EQ(redAfter(body, {0.0, 0.04, 0.08}, 25.0), 25);
    // Without a job's rate: Shadertoy's nominal 60 on the first frame.
    EXPECT_EQ(redAfter(body, {0.0}), 60);
}

TEST(QCHostConventionsTest, VersionOneNamesWorkInVersionTwoFiles) {
    QTemporaryDir folder;
    lumenreel::test::writeTestFile(folder.filePath(QStringLiteral("Names.vs")),
                                   "void main() { vv_vertShaderInit(); }\n");
    const QImage image = renderText(
        isf(QStringLiteral("void main() { gl_FragColor = vec4(vv_FragNormCoord, 0.0, 1.0); }")),
        QSize(4, 4), {0.0}, folder.filePath(QStringLiteral("Names.fs")));
    EXPECT_EQ(pixel(image, 3, 0), (RGBA{223, 223, 0, 255}));
}

// The compiler's line numbers are those of the composition file, whatever the dialect, also
// after the file's own #extension lines have moved before the declarations (GLSL wants them
// there: in the middle of a shader they are an error).
TEST(QCHostConventionsTest, CompilerErrorsNameTheLineOfTheFile) {
    for (const char* version : {"", "#version 100", "#version 110", "#version 120", "#version 150",
                                "#version 300 es", "#version 330", "#version 450"}) {
        const QString text =
            QStringLiteral(
                "/*{\n  \"ISFVSN\": \"2\"\n}*/\n%1\n#extension GL_ARB_shader_bit_encoding : "
                "enable\nvoid main() {\n"
                "  gl_FragColor = vec4(1.0);\n  notDeclared7 = 1.0;\n}\n")
                .arg(QLatin1StringView(version));
        const QString log =
            qctest::capturedLog([&] { EXPECT_FALSE(rendererOf(text, QSize(2, 2))); });
        EXPECT_TRUE(log.contains(QStringLiteral("fragment shader does not compile")) &&
                    log.contains(QStringLiteral("notDeclared7")))
            << log.toStdString();
        // Mesa writes "0:<line>(<column>)"; the undeclared name is on line 8.
        EXPECT_TRUE(log.contains(QStringLiteral("0:8("))) << version << "\n" << log.toStdString();
    }
    // And for Shadertoy sources.
    const QString log = qctest::capturedLog([&] {
        EXPECT_FALSE(
            rendererOf(QStringLiteral("#extension GL_OES_standard_derivatives : enable\n\n") +
                           toy(QStringLiteral("  c = notDeclared7;")),
                       QSize(2, 2)));
    });
    EXPECT_TRUE(log.contains(QStringLiteral("0:4("))) << log.toStdString();
}

// Every renderer logs the OpenGL it runs on. After a GPU reset it fails every frame with one
// clear line each, instead of hanging or giving garbage.
TEST(QCHostConventionsTest, RendererLogsItsOpenGLAndAfterAGPUResetFailsEveryFrame) {
    NSRef<QCRenderer> renderer;
    const QString log = qctest::capturedLog([&] {
        renderer = rendererOf(isf(QStringLiteral("void main() { gl_FragColor = vec4(1.0); }")),
                              QSize(2, 2));
    });
    ASSERT_TRUE(renderer);
    EXPECT_TRUE(oneLineSaying(log, QStringLiteral("QCRenderer: rendering on")));
    EXPECT_TRUE(log.contains(QStringLiteral("OpenGL"))) << log.toStdString();
    // Mesa makes robust desktop contexts that report GPU resets, when asked the right way.
    if (log.contains(QStringLiteral("Mesa"))) {
        EXPECT_TRUE(log.contains(QStringLiteral("reset notification"))) << log.toStdString();
    }

    ASSERT_TRUE(renderer->renderAtTime(0.0));
    QCSimulateGraphicsResetForTesting(GL_GUILTY_CONTEXT_RESET);
    bool rendered = true;
    const QString reset = qctest::capturedLog([&] { rendered = renderer->renderAtTime(0.1); });
    QCSimulateGraphicsResetForTesting(0);
    EXPECT_FALSE(rendered);
    EXPECT_TRUE(oneLineSaying(reset, QStringLiteral("GPU was reset")));
    const QString later = qctest::capturedLog([&] { rendered = renderer->renderAtTime(0.2); });
    EXPECT_FALSE(rendered);
    EXPECT_TRUE(later.contains(QStringLiteral("lost"))) << later.toStdString();
}
