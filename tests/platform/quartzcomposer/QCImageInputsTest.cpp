#include "QCTestSupport.h"

#include "common/TestSupport.h"
#include "platform/qtkit/MovieInspector.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

#include <utility>

using qctest::pixel;
using qctest::RGBA;

namespace {

// Writes the quadrant picture as `name`: with Qt's writers, or with ffmpeg for the formats Qt
// only reads.
bool writePicture(const QString& folder, const QString& name) {
    const QString path = folder + u'/' + name;
    const QString suffix = name.section(u'.', -1);
    if (QImageWriter::supportedImageFormats().contains(suffix.toLatin1())) {
        QImageWriter writer(path);
        writer.setQuality(100);
        return writer.write(qctest::quadrants(16));
    }
    const QString png = folder + QStringLiteral("/source.png");
    QStringList arguments{"-i", png};
    if (suffix == u"tga")
        arguments << QStringLiteral("-rle") << QStringLiteral("0");
    return qctest::quadrants(16).save(png) && lumenreel::test::runFfmpeg(arguments << path);
}

// The quadrants, each colour channel within `tolerance` (lossy formats move colours a little).
void expectQuadrants(const QImage& image, int tolerance, const QString& what) {
    SCOPED_TRACE(what.toStdString());
    ASSERT_FALSE(image.isNull());
    const std::pair<QPoint, RGBA> probes[] = {{{1, 1}, {255, 0, 0, 255}},
                                              {{6, 1}, {0, 255, 0, 255}},
                                              {{1, 6}, {0, 0, 255, 255}},
                                              {{6, 6}, {255, 255, 255, 255}}};
    for (const auto& [at, expected] : probes)
        for (std::size_t c = 0; c < expected.size(); ++c)
            EXPECT_NEAR(pixel(image, at.x(), at.y())[c], expected[c], tolerance)
                << at.x() << "," << at.y();
}

class QCImageFormatTest : public testing::TestWithParam<const char*> {};

// An imported ISF image and a Shadertoy channel image of each format render upright.
TEST_P(QCImageFormatTest, ImportedAndChannelImagesRead) {
    const QString name = QStringLiteral("picture.%1").arg(QLatin1StringView(GetParam()));
    QTemporaryDir folder;
    ASSERT_TRUE(writePicture(folder.path(), name));
    const int tolerance = name.endsWith(u"jpg") || name.endsWith(u"webp") ? 40 : 4;

    const QString isf =
        QStringLiteral("/*{ \"ISFVSN\": \"2\", \"IMPORTED\": { \"pic\": { \"PATH\": \"%1\" } } "
                       "}*/\nvoid main() { gl_FragColor = vec4(IMG_THIS_NORM_PIXEL(pic).rgb, "
                       "IMG_SIZE(pic).x / 16.0); }\n")
            .arg(name);
    expectQuadrants(
        qctest::renderText(isf, QSize(8, 8), {0.0}, folder.filePath(QStringLiteral("a.fs"))),
        tolerance, QStringLiteral("ISF ") + name);

    const QString shadertoy =
        QStringLiteral("#iChannel2 \"file://%1\"\nvoid mainImage(out vec4 c, in vec2 p) { c = "
                       "vec4(texture(iChannel2, p / iResolution.xy).rgb, "
                       "iChannelResolution[2].y / 16.0); }\n")
            .arg(name);
    expectQuadrants(qctest::renderText(shadertoy, QSize(8, 8), {0.0}, folder.path()), tolerance,
                    QStringLiteral("Shadertoy ") + name);
}

INSTANTIATE_TEST_SUITE_P(Formats, QCImageFormatTest,
                         testing::Values("png", "jpg", "bmp", "gif", "tif", "webp", "tga"),
                         [](const testing::TestParamInfo<const char*>& testCase) {
                             return std::string(testCase.param);
                         });

// A picture that cannot be read makes no composition and one line saying which file and why,
// for imported images and channel images alike, whether the file is not a picture, empty, cut
// short or only a header.
TEST(QCImageInputsTest, UnreadablePicturesGiveOneClearLine) {
    QTemporaryDir folder;
    const auto encoded = [](const char* format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) &&
                    qctest::quadrants(16).save(&buffer, format));
        return bytes;
    };
    const QByteArray tiff = encoded("TIF");
    const QByteArray jpeg = encoded("JPG");
    const std::pair<const char*, QByteArray> pictures[] = {
        {"garbage.png", QByteArray(300, '\x7f')},
        {"empty.jpg", QByteArray()},
        {"cut.tif", tiff.left(tiff.size() / 3)},
        {"header-only.png", QByteArray("\x89PNG\r\n\x1a\n", 8)},
        {"cut.jpg", jpeg.left(jpeg.size() / 2)}};
    for (const auto& [name, data] : pictures) {
        lumenreel::test::writeTestFile(folder.filePath(QLatin1StringView(name)), data);
        for (const bool channel : {false, true}) {
            const QString text = channel ? qctest::shadertoyReading(QLatin1StringView(name))
                                         : qctest::isfImporting(QLatin1StringView(name));
            QString log;
            EXPECT_FALSE(
                qctest::parses(text.toUtf8(), folder.filePath(QStringLiteral("x.fs")), &log))
                << name;
            // libpng and libtiff write their own complaints straight to standard error, past
            // Qt; everything else, the JPEG decoder's words included, is in the one line.
            QStringList lines = log.split(u'\n', Qt::SkipEmptyParts);
            lines.removeIf([](const QString& line) {
                return line.startsWith(u"libpng") || line.startsWith(u"TIFF");
            });
            EXPECT_TRUE(qctest::oneLineSaying(lines.join(u'\n') + u'\n',
                                              QStringLiteral("cannot read image")));
            EXPECT_TRUE(log.contains(QLatin1StringView(name))) << log.toStdString();
            if (QLatin1StringView(name) == u"cut.jpg") {
                EXPECT_TRUE(log.contains(QStringLiteral("JPEG"))) << log.toStdString();
            }
        }
    }
}

// Every image the composition sees declares its rect, size and flip, as ISF hosts give them:
// the imported picture (4 x 4) and a pass target of another size (half the width, 7 high).
TEST(QCImageInputsTest, ImageRectSizeAndFlipOfImportedImagesAndPassTargets) {
    const QImage image = qctest::renderFixture(QStringLiteral("img-rect.fs"), QSize(40, 20), {0.0});
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(pixel(image, 5, 5), (RGBA{0, 0, 4, 4}));      // _inputImage_imgRect
    EXPECT_EQ(pixel(image, 35, 5), (RGBA{4, 4, 0, 255}));   // _inputImage_imgSize, _flip
    EXPECT_EQ(pixel(image, 5, 15), (RGBA{0, 0, 20, 7}));    // _narrow_imgRect
    EXPECT_EQ(pixel(image, 35, 15), (RGBA{20, 7, 0, 255})); // _narrow_imgSize, _flip
}

} // namespace
