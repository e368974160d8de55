#include "QCTestSupport.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qctest {

NSRef<QCRenderer> rendererOf(const QString& text, QSize size, const QString& location) {
    NSAutoreleasePool pool;
    QCComposition* parsed = QCComposition::compositionWithData(text.toUtf8(), location);
    if (parsed == nullptr)
        return {};
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    NSRef<QCRenderer> result =
        NSAdopt(QCRenderer::initOffScreenWithSize(QSizeF(size), space, parsed));
    CGColorSpaceRelease(space);
    return result;
}

QImage render(QCRenderer* renderer, const std::vector<double>& times) {
    if (renderer == nullptr)
        return {};
    for (double time : times)
        if (!renderer->renderAtTime(time))
            return {};
    NSRef<NSBitmapImageRep> snapshot =
        NSAdopt(renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
    return snapshot ? snapshot->qImage() : QImage();
}

QImage renderText(const QString& text, QSize size, const std::vector<double>& times,
                  const QString& location) {
    NSAutoreleasePool pool;
    return render(rendererOf(text, size, location).get(), times);
}

RGBA pixel(const QImage& image, int x, int y) {
    if (image.isNull() || x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return {-1, -1, -1, -1};
    const uchar* p = image.constScanLine(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

bool parses(const QByteArray& data, const QString& location, QString* log) {
    NSAutoreleasePool pool;
    bool made = false;
    const QString written =
        capturedLog([&] { made = QCComposition::compositionWithData(data, location) != nullptr; });
    if (log)
        *log = written;
    return made;
}

QImage renderFixture(const QString& name, QSize size, const std::vector<double>& times) {
    QTemporaryDir folder;
    QFile file(QDir(QStringLiteral(QC_FIXTURES_PATH)).filePath(name));
    if (!gridPicture().save(folder.filePath(QStringLiteral("grid.png"))) ||
        !file.open(QIODevice::ReadOnly))
        return {};
    return renderText(QString::fromUtf8(file.readAll()), size, times, folder.filePath(name));
}

QString isf(const QString& body) {
    return QStringLiteral("/*{ \"ISFVSN\": \"2\" }*/\n%1").arg(body);
}

QString isf(const QString& header, const QString& body) {
    return QStringLiteral("/*{ \"ISFVSN\": \"2\", %1 }*/\n%2").arg(header, body);
}

QString isfImporting(const QString& path) {
    return QStringLiteral("/*{ \"ISFVSN\": \"2\", \"IMPORTED\": { \"pic\": { \"PATH\": \"%1\" } } "
                          "}*/\nvoid main() { gl_FragColor = IMG_NORM_PIXEL(pic, vec2(0.5)); }\n")
        .arg(path);
}

QString shadertoyReading(const QString& channel) {
    return QStringLiteral("#iChannel0 \"%1\"\nvoid mainImage(out vec4 c, in vec2 p) { c = "
                          "texture(iChannel0, vec2(0.5)); }\n")
        .arg(channel);
}

QImage quadrants(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    const int half = side / 2;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixelColor(x, y,
                                y < half ? (x < half ? QColor(255, 0, 0) : QColor(0, 255, 0))
                                         : (x < half ? QColor(0, 0, 255) : QColor(Qt::white)));
    return image;
}

QImage gridPicture() {
    QImage image(4, 4, QImage::Format_RGBA8888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, QColor(60 * x, 60 * y, 200, 255));
    return image;
}

testing::AssertionResult oneLineSaying(const QString& log, const QString& text) {
    if (log.count(u'\n') == 1 && log.contains(text))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected one line saying \"" << text.toStdString()
                                       << "\", got: " << log.toStdString();
}

} // namespace qctest
