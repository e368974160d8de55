#include "platform/quartzcomposer/QCImageFile.h"

#include <QImageReader>
#include <QStringList>

#include <atomic>
#include <cstdio>

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

} // namespace

std::optional<QImage> QCReadImageFile(const QString& in_path, int in_maxSide, QString* out_error) {
    DecoderMessageScope decoderMessages;
    QImageReader reader(in_path);
    const QSize size = reader.size();
    if (size.width() > in_maxSide || size.height() > in_maxSide) {
        *out_error = QStringLiteral("image \"%1\" is larger than %2 pixels a side")
                         .arg(in_path)
                         .arg(in_maxSide);
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
