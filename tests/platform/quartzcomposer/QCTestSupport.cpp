#include "QCTestSupport.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"

#include <gtest/gtest.h>

#include <QDir>

namespace qctest {

QCComposition* composition(const QString& text, const QString& location) {
    return QCComposition::compositionWithData(text.toUtf8(), location);
}

NSRef<QCRenderer> renderer(QCComposition* composition, QSize size) {
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    NSRef<QCRenderer> result =
        NSAdopt(QCRenderer::initOffScreenWithSize(QSizeF(size), space, composition));
    CGColorSpaceRelease(space);
    return result;
}

QImage render(QCRenderer* renderer, std::initializer_list<double> times) {
    if (renderer == nullptr)
        return {};
    for (double time : times) {
        if (!renderer->renderAtTime(time))
            return {};
    }
    NSRef<NSBitmapImageRep> snapshot =
        NSAdopt(renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
    return snapshot ? snapshot->qImage() : QImage();
}

QImage renderText(const QString& text, QSize size, std::initializer_list<double> times,
                  const QString& location) {
    NSAutoreleasePool pool;
    QCComposition* parsed = composition(text, location);
    if (parsed == nullptr)
        return {};
    NSRef<QCRenderer> made = renderer(parsed, size);
    return render(made.get(), times);
}

RGBA pixel(const QImage& image, int x, int y) {
    if (image.isNull() || x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return {-1, -1, -1, -1};
    const uchar* p = image.constScanLine(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

QString capturedLogImpl(void (*run)(void*), void* context) {
    testing::internal::CaptureStderr();
    run(context);
    return QString::fromStdString(testing::internal::GetCapturedStderr());
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

QString fixturePath(const QString& name) {
    return QDir(QStringLiteral(QC_FIXTURES_PATH)).filePath(name);
}

QString samplePath(const QString& name) {
    return QDir(QStringLiteral(QC_SAMPLES_PATH)).filePath(name);
}

} // namespace qctest
