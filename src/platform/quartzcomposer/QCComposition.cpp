#include "platform/quartzcomposer/QCComposition.h"

#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCCompositionParser.h"
#include "platform/quartzcomposer/QCLog.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Composition files are shader sources; anything larger is not one.
constexpr qsizetype kMaxCompositionBytes = 8 * 1024 * 1024;

QString systemError(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

} // namespace

std::optional<QByteArray> QCReadCompositionFile(const QString& in_path, QString* out_error) {
    const auto refuse = [&](const QString& why) -> std::optional<QByteArray> {
        if (out_error)
            *out_error = QStringLiteral("%1: %2").arg(in_path, why);
        return std::nullopt;
    };
    const int descriptor =
        ::open(QFile::encodeName(in_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return refuse(errno == ENOENT
                          ? QStringLiteral("no such file")
                          : QStringLiteral("cannot be read (%1)").arg(systemError(errno)));
    struct stat status {};
    QByteArray data;
    QString problem;
    if (::fstat(descriptor, &status) != 0)
        problem = QStringLiteral("cannot be read (%1)").arg(systemError(errno));
    else if (S_ISDIR(status.st_mode))
        problem = QStringLiteral("is a folder, not a composition file");
    else if (!S_ISREG(status.st_mode))
        problem = QStringLiteral("not a regular file (a pipe, socket or device is not read)");
    else if (status.st_size > kMaxCompositionBytes)
        problem = QStringLiteral("larger than a shader source can be");
    else {
        data.resize(qsizetype(status.st_size));
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t got = ::read(descriptor, data.data() + done, size_t(data.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                problem = QStringLiteral("cannot be read (%1)").arg(systemError(errno));
                break;
            }
            if (got == 0)
                break; // the file became shorter meanwhile
            done += got;
        }
        data.truncate(done);
    }
    ::close(descriptor);
    if (!problem.isEmpty())
        return refuse(problem);
    return data;
}

QCComposition::QCComposition(std::shared_ptr<const QCCompositionModel> in_model)
    : mModel(std::move(in_model)) {}

QCComposition::~QCComposition() = default;

QCComposition* QCComposition::compositionWithData(const QByteArray& in_data,
                                                  const QString& in_location, QString* out_error) {
    // `recognised`: the data is an ISF or Shadertoy shader that cannot be used as it is (its
    // reason names the format), rather than no composition at all.
    const auto notComposition = [&](const QString& why, bool recognised = false) -> QCComposition* {
        QCLog(QStringLiteral("QCComposition: no composition in \"%1\": %2").arg(in_location, why));
        if (out_error)
            *out_error = recognised ? why : QStringLiteral("not a composition: %1").arg(why);
        return nullptr;
    };
    if (in_data.isEmpty())
        return notComposition(QStringLiteral("the data is empty"));
    if (in_data.size() > kMaxCompositionBytes)
        return notComposition(QStringLiteral("the data is larger than a shader source can be"));
    if (in_data.contains('\0'))
        return notComposition(QStringLiteral("the data is binary, not shader text"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(in_data);
    if (decoder.hasError())
        return notComposition(QStringLiteral("the data is not UTF-8 text"));

    QString error;
    std::optional<QCCompositionModel> model;
    const bool recognised = QCLooksLikeISF(text) || QCLooksLikeShadertoy(text);
    if (QCLooksLikeISF(text))
        model = QCParseISF(text, in_location, &error);
    else if (QCLooksLikeShadertoy(text))
        model = QCParseShadertoy(text, in_location, &error);
    else
        error = QStringLiteral("neither an ISF nor a Shadertoy shader");
    if (!model)
        return notComposition(error, recognised);
    auto* composition =
        new QCComposition(std::make_shared<const QCCompositionModel>(std::move(*model)));
    composition->autorelease();
    return composition;
}

QString QCComposition::formatName() const {
    return mModel->format == QCCompositionModel::Format::ISF ? QStringLiteral("ISF")
                                                             : QStringLiteral("Shadertoy");
}

QString QCComposition::description() const {
    return QStringLiteral("<QCComposition: 0x%1 %2, %3 pass(es)>")
        .arg(reinterpret_cast<quintptr>(this), 0, 16)
        .arg(formatName())
        .arg(mModel->passes.size());
}
