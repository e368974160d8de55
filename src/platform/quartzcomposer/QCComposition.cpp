#include "platform/quartzcomposer/QCComposition.h"

#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCCompositionParser.h"
#include "platform/quartzcomposer/QCLog.h"

#include <QStringDecoder>

namespace {

// Composition files are shader sources; anything larger is not one.
constexpr qsizetype kMaxCompositionBytes = 8 * 1024 * 1024;

} // namespace

QCComposition::QCComposition(std::shared_ptr<const QCCompositionModel> in_model)
    : mModel(std::move(in_model)) {}

QCComposition::~QCComposition() = default;

QCComposition* QCComposition::compositionWithData(const QByteArray& in_data,
                                                  const QString& in_location, QString* out_error) {
    const auto notComposition = [&](const QString& why) -> QCComposition* {
        QCLog(QStringLiteral("QCComposition: no composition in \"%1\": %2").arg(in_location, why));
        if (out_error)
            *out_error = why;
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
    if (QCLooksLikeISF(text))
        model = QCParseISF(text, in_location, &error);
    else if (QCLooksLikeShadertoy(text))
        model = QCParseShadertoy(text, in_location, &error);
    else
        error = QStringLiteral("neither an ISF nor a Shadertoy shader");
    if (!model)
        return notComposition(error);
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
