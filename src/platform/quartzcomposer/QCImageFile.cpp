#include "platform/quartzcomposer/QCImageFile.h"

#include <QFile>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

namespace {

// While a thread decodes a picture, the messages that image plugins write (libpng's and
// libtiff's complaints, through Qt's message handler) are collected here instead of logged.
thread_local QStringList* tDecoderMessages = nullptr;
std::atomic<QtMessageHandler> sPreviousHandler{nullptr};

void collectDecoderMessages(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (tDecoderMessages != nullptr && type != QtFatalMsg) {
        tDecoderMessages->append(message.simplified());
        return;
    }
    if (const QtMessageHandler previous = sPreviousHandler.load())
        previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

class DecoderMessageScope {
public:
    DecoderMessageScope() {
        static const bool installed = [] {
            sPreviousHandler = qInstallMessageHandler(collectDecoderMessages);
            return true;
        }();
        Q_UNUSED(installed);
        mOuter = tDecoderMessages;
        tDecoderMessages = &mMessages;
    }
    ~DecoderMessageScope() { tDecoderMessages = mOuter; }
    DecoderMessageScope(const DecoderMessageScope&) = delete;
    DecoderMessageScope& operator=(const DecoderMessageScope&) = delete;

    QString text() const { return mMessages.join(QStringLiteral("; ")); }

private:
    QStringList mMessages;
    QStringList* mOuter = nullptr;
};

// Qt's own limit (128 MB) would refuse pictures of 8192 a side; the limit is raised, once, to
// what a picture of the largest size takes.
void allowLargestPictures() {
    static const bool raised = [] {
        QImageReader::setAllocationLimit(kQCMaxPictureMegabytes);
        return true;
    }();
    Q_UNUSED(raised);
}

// Bytes a pixel of the picture takes once decoded (4 when the header does not say).
qint64 decodedBytesPerPixel(const QImageReader& reader) {
    const QImage::Format format = reader.imageFormat();
    if (format == QImage::Format_Invalid)
        return 4;
    return std::max<qint64>(1, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

QString sizeProblem(const QString& path, const QImageReader& reader, int maxSide) {
    const QSize size = reader.size();
    if (!size.isValid())
        return {};
    if (size.width() > maxSide || size.height() > maxSide)
        return QStringLiteral("image \"%1\" is %2x%3 pixels, larger than %4 pixels a side")
            .arg(path)
            .arg(size.width())
            .arg(size.height())
            .arg(maxSide);
    const qint64 megabytes =
        (qint64(size.width()) * size.height() * decodedBytesPerPixel(reader) + (1 << 20) - 1) >> 20;
    if (megabytes > kQCMaxPictureMegabytes)
        return QStringLiteral("image \"%1\" (%2x%3) would take %4 MB decoded, more than the %5 MB "
                              "a picture may take")
            .arg(path)
            .arg(size.width())
            .arg(size.height())
            .arg(megabytes)
            .arg(kQCMaxPictureMegabytes);
    return {};
}

// Empty when `path` names a regular file (after symbolic links), else why it is not read.
QString notRegularFile(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("cannot read image \"%1\": %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("image \"%1\" is not a regular file").arg(path);
    return {};
}

} // namespace

std::optional<QImage> QCReadImageFile(const QString& in_path, int in_maxSide, QString* out_error) {
    allowLargestPictures();
    if (const QString why = notRegularFile(in_path); !why.isEmpty()) {
        *out_error = why;
        return std::nullopt;
    }
    DecoderMessageScope decoderMessages;
    QImageReader reader(in_path);
    if (const QString why = sizeProblem(in_path, reader, in_maxSide); !why.isEmpty()) {
        *out_error = why;
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        const QString details = decoderMessages.text();
        *out_error = QStringLiteral("cannot read image \"%1\": %2%3")
                         .arg(in_path, reader.errorString(),
                              details.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(details));
        return std::nullopt;
    }
    return image;
}

QString QCImageFileSizeProblem(const QString& in_path, int in_maxSide) {
    if (!notRegularFile(in_path).isEmpty())
        return {};
    DecoderMessageScope decoderMessages;
    QImageReader reader(in_path);
    return sizeProblem(in_path, reader, in_maxSide);
}
