#include "platform/quartzcomposer/QCCompositionParser.h"

#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCGLSLText.h"
#include "platform/quartzcomposer/QCImageFile.h"
#include "platform/quartzcomposer/QCSizeExpression.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

using Model = QCCompositionModel;

QString folderOf(const QString& location) {
    if (location.isEmpty())
        return QDir::currentPath();
    const QFileInfo info(location);
    return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

// Offset just past the leading "/*", or -1 when the text does not open with a comment.
qsizetype headerStart(const QString& text) {
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos].isSpace() || text[pos] == QChar(0xFEFF)))
        ++pos;
    return QStringView(text).mid(pos).startsWith(u"/*") ? pos + 2 : -1;
}

bool jsonBool(const QJsonValue& value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0.0;
    if (value.isString()) {
        const QString text = value.toString().trimmed().toLower();
        return text == u"true" || text == u"yes" || text == u"1";
    }
    return false;
}

std::optional<double> jsonNumber(const QJsonValue& value) {
    if (value.isDouble())
        return value.toDouble();
    if (value.isBool())
        return value.toBool() ? 1.0 : 0.0;
    if (value.isString()) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

std::optional<Model::InputType> inputTypeNamed(const QString& name) {
    static const QHash<QString, Model::InputType> types{
        {QStringLiteral("event"), Model::InputType::Event},
        {QStringLiteral("bool"), Model::InputType::Bool},
        {QStringLiteral("long"), Model::InputType::Long},
        {QStringLiteral("float"), Model::InputType::Float},
        {QStringLiteral("point2D"), Model::InputType::Point2D},
        {QStringLiteral("color"), Model::InputType::Color},
        {QStringLiteral("image"), Model::InputType::Image},
        {QStringLiteral("audio"), Model::InputType::Audio},
        {QStringLiteral("audioFFT"), Model::InputType::AudioFFT},
    };
    const auto found = types.constFind(name);
    if (found == types.constEnd())
        return std::nullopt;
    return found.value();
}

bool isBuiltInName(const QString& name) {
    static const QSet<QString> names{QStringLiteral("PASSINDEX"), QStringLiteral("RENDERSIZE"),
                                     QStringLiteral("TIME"),      QStringLiteral("TIMEDELTA"),
                                     QStringLiteral("DATE"),      QStringLiteral("FRAMEINDEX"),
                                     QStringLiteral("main")};
    return names.contains(name);
}

// A long's whole number: the number truncated toward zero, when a GLSL int holds it.
std::optional<std::int32_t> wholeNumber(double number) {
    const double whole = std::trunc(number);
    if (!(whole >= double(std::numeric_limits<std::int32_t>::min()) &&
          whole <= double(std::numeric_limits<std::int32_t>::max())))
        return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

QString outsideInt(const QString& input, const char* what, double number) {
    return QStringLiteral("input \"%1\": %2 %3 is outside the range of a GLSL int (%4 to %5)")
        .arg(input, QLatin1StringView(what), QString::number(number, 'g', 17))
        .arg(std::numeric_limits<std::int32_t>::min())
        .arg(std::numeric_limits<std::int32_t>::max());
}

// The input's default value as the renderer binds it; nothing, with the reason, for a long
// whose default no GLSL int holds.
std::optional<QCInputValue> defaultValue(const QJsonObject& input, const QString& name,
                                         Model::InputType type, QString* error) {
    const QJsonValue given = input.value(QLatin1StringView("DEFAULT"));
    QCInputValue value{0.0, 0.0, 0.0, 0.0};
    switch (type) {
    case Model::InputType::Event:
        break;
    case Model::InputType::Bool:
        value[0] = jsonBool(given) ? 1.0 : 0.0;
        break;
    case Model::InputType::Long: {
        std::optional<double> number = jsonNumber(given);
        const QJsonArray values = input.value(QLatin1StringView("VALUES")).toArray();
        if (!number && !values.isEmpty())
            number = jsonNumber(values.first());
        if (!number)
            number = jsonNumber(input.value(QLatin1StringView("MIN")));
        const std::optional<std::int32_t> whole = wholeNumber(number.value_or(0.0));
        if (!whole) {
            *error = outsideInt(name, "DEFAULT", *number);
            return std::nullopt;
        }
        value[0] = *whole;
        break;
    }
    case Model::InputType::Float: {
        double number = jsonNumber(given).value_or(0.0);
        const std::optional<double> min = jsonNumber(input.value(QLatin1StringView("MIN")));
        const std::optional<double> max = jsonNumber(input.value(QLatin1StringView("MAX")));
        if (min && max && *min <= *max)
            number = std::clamp(number, *min, *max);
        value[0] = number;
        break;
    }
    case Model::InputType::Point2D:
    case Model::InputType::Color: {
        if (type == Model::InputType::Color)
            value[3] = 1.0;
        const QJsonArray array = given.toArray();
        const qsizetype count = type == Model::InputType::Color ? 4 : 2;
        for (qsizetype i = 0; i < std::min(count, array.size()); ++i)
            value[static_cast<std::size_t>(i)] = jsonNumber(array[i]).value_or(0.0);
        break;
    }
    case Model::InputType::Image:
    case Model::InputType::Audio:
    case Model::InputType::AudioFFT:
        break;
    }
    return value;
}

// The value layout of a MIN or MAX entry: a number, or an array for point2D and color.
std::optional<QCInputValue> rangeBound(const QJsonValue& given, Model::InputType type) {
    QCInputValue bound{0.0, 0.0, 0.0, 0.0};
    if (type == Model::InputType::Point2D || type == Model::InputType::Color) {
        const QJsonArray array = given.toArray();
        const qsizetype count = type == Model::InputType::Color ? 4 : 2;
        if (array.size() < count)
            return std::nullopt;
        for (qsizetype i = 0; i < count; ++i) {
            const std::optional<double> number = jsonNumber(array[i]);
            if (!number)
                return std::nullopt;
            bound[static_cast<std::size_t>(i)] = *number;
        }
        return bound;
    }
    const std::optional<double> number = jsonNumber(given);
    if (!number)
        return std::nullopt;
    bound[0] = *number;
    return bound;
}

// Records the input's declared range, allowed values and sample count; false, with the reason,
// for a long's allowed value that no GLSL int holds.
bool describeRange(const QJsonObject& json, Model::Input& input, QString* error) {
    const QJsonValue max = json.value(QLatin1StringView("MAX"));
    if (input.type == Model::InputType::Audio || input.type == Model::InputType::AudioFFT) {
        const double count = jsonNumber(max).value_or(0.0);
        input.sampleCount = count >= 1.0 && count <= 16384.0 ? static_cast<int>(count) : 0;
        return true;
    }
    if (input.isImage() || input.type == Model::InputType::Event ||
        input.type == Model::InputType::Bool)
        return true;
    input.min = rangeBound(json.value(QLatin1StringView("MIN")), input.type);
    input.max = rangeBound(max, input.type);
    if (input.type == Model::InputType::Long) {
        const QJsonArray values = json.value(QLatin1StringView("VALUES")).toArray();
        const QJsonArray labels = json.value(QLatin1StringView("LABELS")).toArray();
        for (qsizetype index = 0; index < values.size(); ++index) {
            const std::optional<double> number = jsonNumber(values[index]);
            if (!number)
                continue;
            const std::optional<std::int32_t> whole = wholeNumber(*number);
            if (!whole) {
                *error = outsideInt(input.name, "VALUES entry", *number);
                return false;
            }
            input.values.push_back(*whole);
            // A value without a label of text is shown as its number.
            const QJsonValue label = index < labels.size() ? labels[index] : QJsonValue();
            input.labels.push_back(label.isString() ? label.toString() : QString::number(*whole));
        }
        if (labels.isEmpty())
            input.labels.clear();
    }
    return true;
}

// True when `path`, with every symbolic link and "." and ".." resolved, lies in `folder` or
// below it. A file that does not exist is judged by its resolved folder.
bool liesWithin(const QString& path, const QString& folder) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    const QFileInfo info(path);
    QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty()) {
        const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (parent.isEmpty())
            return false;
        resolved = QDir(parent).filePath(info.fileName());
    }
    return resolved.startsWith(root == u"/" ? root : root + u'/');
}

// A picture the composition names is read from its own folder or below only: a shader from
// elsewhere must not put any picture the user can read into the movie.
std::optional<QImage> readImage(const QString& folder, const QString& relativePath, Model& model,
                                QString* error) {
    const QString path = QDir::cleanPath(QDir(folder).filePath(relativePath));
    if (!liesWithin(path, folder)) {
        *error = QStringLiteral("\"%1\" is outside the composition's folder %2; a composition "
                                "reads pictures from its own folder and below only")
                     .arg(relativePath, folder);
        return std::nullopt;
    }
    model.loadedFiles.push_back(QFileInfo(path).absoluteFilePath());
    return QCReadImageFile(path, kQCMaxPictureSide, error);
}

// Checks a name of the header and that it is new.
bool claimName(const QString& name, const char* what, QSet<QString>& names, QString* error) {
    if (!QCIsUsableIdentifier(name) || isBuiltInName(name)) {
        *error = QStringLiteral("%1 name \"%2\" is not a usable GLSL name").arg(what, name);
        return false;
    }
    if (names.contains(name)) {
        *error = QStringLiteral("the name \"%1\" is used twice").arg(name);
        return false;
    }
    names.insert(name);
    return true;
}

bool parseInputs(const QJsonObject& header, Model& model, QSet<QString>& names, QString* error) {
    const QJsonValue inputs = header.value(QLatin1StringView("INPUTS"));
    if (inputs.isUndefined())
        return true;
    if (!inputs.isArray()) {
        *error = QStringLiteral("INPUTS is not an array");
        return false;
    }
    for (const QJsonValue& entry : inputs.toArray()) {
        const QJsonObject input = entry.toObject();
        const QString name = input.value(QLatin1StringView("NAME")).toString();
        const QString typeName = input.value(QLatin1StringView("TYPE")).toString();
        const std::optional<Model::InputType> type = inputTypeNamed(typeName);
        if (!type) {
            *error = QStringLiteral("input \"%1\" has the unknown TYPE \"%2\"").arg(name, typeName);
            return false;
        }
        if (!claimName(name, "input", names, error))
            return false;
        Model::Input parsed;
        parsed.name = name;
        parsed.type = *type;
        const std::optional<QCInputValue> value = defaultValue(input, name, *type, error);
        if (!value)
            return false;
        parsed.value = *value;
        if (!describeRange(input, parsed, error))
            return false;
        model.inputs.push_back(parsed);
    }
    return true;
}

QString sizeExpression(const QJsonValue& value) {
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    return value.isString() ? value.toString().trimmed() : QString();
}

bool parsePasses(const QJsonObject& header, Model& model, QSet<QString>& names, QString* error) {
    // Version 1 declared its persistent buffers apart from the passes.
    QHash<QString, QJsonObject> persistentBuffers;
    const QJsonValue buffers = header.value(QLatin1StringView("PERSISTENT_BUFFERS"));
    if (buffers.isArray()) {
        for (const QJsonValue& name : buffers.toArray())
            persistentBuffers.insert(name.toString(), QJsonObject());
    } else if (buffers.isObject()) {
        const QJsonObject object = buffers.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            persistentBuffers.insert(it.key(), it.value().toObject());
    }

    const QJsonValue passes = header.value(QLatin1StringView("PASSES"));
    if (!passes.isUndefined() && !passes.isArray()) {
        *error = QStringLiteral("PASSES is not an array");
        return false;
    }
    QSet<QString> targets;
    for (const QJsonValue& entry : passes.toArray()) {
        const QJsonObject object = entry.toObject();
        Model::Pass pass;
        pass.target = object.value(QLatin1StringView("TARGET")).toString();
        QJsonObject buffer = persistentBuffers.value(pass.target);
        const auto property = [&](const char* key) {
            const QJsonValue value = object.value(QLatin1StringView(key));
            return value.isUndefined() ? buffer.value(QLatin1StringView(key)) : value;
        };
        pass.persistent = jsonBool(object.value(QLatin1StringView("PERSISTENT"))) ||
                          (!pass.target.isEmpty() && persistentBuffers.contains(pass.target));
        pass.isFloat = jsonBool(property("FLOAT"));
        pass.widthExpression = sizeExpression(property("WIDTH"));
        pass.heightExpression = sizeExpression(property("HEIGHT"));
        if (!pass.target.isEmpty() && !targets.contains(pass.target)) {
            if (!claimName(pass.target, "pass target", names, error))
                return false;
            targets.insert(pass.target);
        }
        model.passes.push_back(pass);
    }
    if (model.passes.empty())
        model.passes.push_back({});

    // A declared buffer that no pass draws reads as transparent black.
    for (auto it = persistentBuffers.constBegin(); it != persistentBuffers.constEnd(); ++it) {
        if (targets.contains(it.key()))
            continue;
        if (!claimName(it.key(), "persistent buffer", names, error))
            return false;
        model.importedImages.push_back({it.key(), QImage()});
    }
    return true;
}

bool parseImported(const QJsonObject& header, const QString& folder, Model& model,
                   QSet<QString>& names, QString* error) {
    const QJsonValue imported = header.value(QLatin1StringView("IMPORTED"));
    QList<QPair<QString, QJsonObject>> entries;
    if (imported.isObject()) {
        const QJsonObject object = imported.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            entries.append({it.key(), it.value().toObject()});
    } else if (imported.isArray()) {
        for (const QJsonValue& entry : imported.toArray()) {
            const QJsonObject object = entry.toObject();
            entries.append({object.value(QLatin1StringView("NAME")).toString(), object});
        }
    } else if (!imported.isUndefined()) {
        *error = QStringLiteral("IMPORTED is neither an object nor an array");
        return false;
    }
    for (const auto& [name, object] : entries) {
        if (object.value(QLatin1StringView("TYPE")).toString() == u"cube") {
            *error = QStringLiteral("imported image \"%1\" is a cube map, which is not supported")
                         .arg(name);
            return false;
        }
        const QString path = object.value(QLatin1StringView("PATH")).toString();
        if (path.isEmpty()) {
            *error = QStringLiteral("imported image \"%1\" has no PATH").arg(name);
            return false;
        }
        if (!claimName(name, "imported image", names, error))
            return false;
        QString readError;
        std::optional<QImage> image = readImage(folder, path, model, &readError);
        if (!image) {
            *error = QStringLiteral("imported image \"%1\": %2").arg(name, readError);
            return false;
        }
        model.importedImages.push_back({name, *image});
    }
    return true;
}

int lineOfOffset(const QString& text, qsizetype offset) {
    return 1 + static_cast<int>(QStringView(text).left(offset).count(u'\n'));
}

} // namespace

bool QCLooksLikeISF(const QString& in_text) {
    const qsizetype start = headerStart(in_text);
    if (start < 0)
        return false;
    for (qsizetype pos = start; pos < in_text.size(); ++pos) {
        if (!in_text[pos].isSpace())
            return in_text[pos] == u'{';
    }
    return false;
}

bool QCLooksLikeShadertoy(const QString& in_text) {
    return QCDeclaresVoidFunction(in_text, QStringLiteral("mainImage"));
}

std::optional<QCCompositionModel> QCParseISF(const QString& in_text, const QString& in_location,
                                             QString* out_error) {
    QString error;
    const auto failed = [&](const QString& message) {
        if (out_error)
            *out_error = QStringLiteral("ISF: %1").arg(message);
        return std::nullopt;
    };
    const qsizetype start = headerStart(in_text);
    const qsizetype end = start < 0 ? -1 : in_text.indexOf(QLatin1StringView("*/"), start);
    if (end < 0)
        return failed(QStringLiteral("the header comment is not closed"));
    QJsonParseError jsonError;
    const QJsonDocument document =
        QJsonDocument::fromJson(in_text.mid(start, end - start).toUtf8(), &jsonError);
    if (jsonError.error != QJsonParseError::NoError)
        return failed(QStringLiteral("malformed JSON header: %1 at offset %2")
                          .arg(jsonError.errorString())
                          .arg(jsonError.offset));
    if (!document.isObject())
        return failed(QStringLiteral("the JSON header is not an object"));
    const QJsonObject header = document.object();

    Model model;
    model.format = Model::Format::ISF;
    model.fragmentBody = in_text.mid(end + 2);
    model.fragmentFirstLine = lineOfOffset(in_text, end + 2);
    if (!QCDeclaresVoidFunction(model.fragmentBody, QStringLiteral("main")))
        return failed(QStringLiteral("the header is followed by no shader (no main function)"));
    model.isfVersion1 = !header.value(QLatin1StringView("ISFVSN")).toString().startsWith(u'2') &&
                        header.value(QLatin1StringView("ISFVSN")).toDouble() < 2.0;

    const QString folder = folderOf(in_location);
    QSet<QString> names;
    if (!parseInputs(header, model, names, &error) || !parsePasses(header, model, names, &error) ||
        !parseImported(header, folder, model, names, &error))
        return failed(error);

    // Sizes must evaluate for some render size; the renderer evaluates them for its own.
    const QHash<QString, double> variables = QCSizeVariables(model, 640.0, 480.0);
    for (const Model::Pass& pass : model.passes) {
        for (const QString& expression : {pass.widthExpression, pass.heightExpression}) {
            if (!expression.isEmpty() && !QCEvaluateSizeExpression(expression, variables, &error))
                return failed(QStringLiteral("pass size: %1").arg(error));
        }
    }

    QSet<QString> images;
    for (const Model::Input& input : model.inputs) {
        if (input.isImage())
            images.insert(input.name);
    }
    for (const Model::NamedImage& image : model.importedImages)
        images.insert(image.name);
    for (const Model::Pass& pass : model.passes) {
        if (!pass.target.isEmpty())
            images.insert(pass.target);
    }

    model.versionLine = QCTakeVersionDirective(model.fragmentBody);
    model.fragmentExtensions = QCTakeExtensionDirectives(model.fragmentBody);
    std::optional<QString> fragment = QCRewriteImageFunctions(model.fragmentBody, images, &error);
    if (!fragment)
        return failed(error);
    model.fragmentBody = *fragment;

    const QFileInfo file(in_location);
    if (!in_location.isEmpty() && !file.isDir()) {
        const QString vertexPath =
            QDir(folder).filePath(file.completeBaseName() + QStringLiteral(".vs"));
        if (QFileInfo::exists(vertexPath)) {
            model.loadedFiles.push_back(QFileInfo(vertexPath).absoluteFilePath());
            QString readError;
            const std::optional<QByteArray> vertexData =
                QCReadCompositionFile(vertexPath, &readError);
            if (!vertexData)
                return failed(QStringLiteral("cannot read the vertex shader: %1").arg(readError));
            QString vertex = QString::fromUtf8(*vertexData);
            QCTakeVersionDirective(vertex);
            model.vertexExtensions = QCTakeExtensionDirectives(vertex);
            if (!QCDeclaresVoidFunction(vertex, QStringLiteral("main")))
                return failed(QStringLiteral("the vertex shader \"%1\" has no main function")
                                  .arg(vertexPath));
            std::optional<QString> rewritten = QCRewriteImageFunctions(vertex, images, &error);
            if (!rewritten)
                return failed(QStringLiteral("vertex shader: %1").arg(error));
            model.vertexBody = *rewritten;
        }
    }
    return model;
}

std::optional<QCCompositionModel> QCParseShadertoy(const QString& in_text,
                                                   const QString& in_location, QString* out_error) {
    Model model;
    model.format = Model::Format::Shadertoy;
    model.passes.push_back({});
    model.fragmentBody = in_text;
    // Channel bindings written as in common Shadertoy editors: #iChannel0 "file://picture.png"
    static const QRegularExpression channel(
        QStringLiteral("^[ \\t]*#[ \\t]*iChannel([0-9]+)[ \\t]+\"([^\"\\n]*)\"[^\\n]*"),
        QRegularExpression::MultilineOption);
    const QString folder = folderOf(in_location);
    QRegularExpressionMatchIterator matches = channel.globalMatch(in_text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        bool isNumber = false;
        const int index = match.captured(1).toInt(&isNumber);
        if (!isNumber || index < 0 || index > 3) {
            if (out_error)
                *out_error = QStringLiteral("Shadertoy: there is no channel iChannel%1")
                                 .arg(match.captured(1));
            return std::nullopt;
        }
        QString path = match.captured(2);
        if (path.compare(QLatin1StringView("sound"), Qt::CaseInsensitive) == 0) {
            model.soundChannel = index;
            continue;
        }
        if (path.startsWith(QLatin1StringView("file://")))
            path = path.mid(7);
        QString error;
        std::optional<QImage> image = readImage(folder, path, model, &error);
        if (!image) {
            if (out_error)
                *out_error = QStringLiteral("Shadertoy: iChannel%1: %2").arg(index).arg(error);
            return std::nullopt;
        }
        model.channels[static_cast<std::size_t>(index)] = *image;
    }
    // Sampling options: #iChannel0::WrapMode "Clamp"
    static const QRegularExpression option(
        QStringLiteral(
            "^[ \\t]*#[ \\t]*iChannel([0-9]+)::([A-Za-z]*)[ \\t]*\"?([^\"\\n]*)\"?[^\\n]*"),
        QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator options = option.globalMatch(in_text);
    while (options.hasNext()) {
        const QRegularExpressionMatch match = options.next();
        bool isNumber = false;
        const int index = match.captured(1).toInt(&isNumber);
        QString error;
        if (!isNumber || index < 0 || index > 3)
            error = QStringLiteral("there is no channel iChannel%1").arg(match.captured(1));
        else if (model.channelSampling[static_cast<std::size_t>(index)].setOption(
                     match.captured(2), match.captured(3).trimmed(), &error))
            continue;
        if (out_error)
            *out_error = QStringLiteral("Shadertoy: line %1: %2")
                             .arg(lineOfOffset(in_text, match.capturedStart()))
                             .arg(error);
        return std::nullopt;
    }
    // The directives are not GLSL: blank them, keeping the line count.
    model.fragmentBody.replace(channel, QString());
    model.fragmentBody.replace(option, QString());
    model.fragmentExtensions = QCTakeExtensionDirectives(model.fragmentBody);
    return model;
}

QHash<QString, double> QCSizeVariables(const QCCompositionModel& in_model, double in_width,
                                       double in_height) {
    QHash<QString, double> variables{{QStringLiteral("WIDTH"), in_width},
                                     {QStringLiteral("HEIGHT"), in_height}};
    for (const QCCompositionModel::Input& input : in_model.inputs) {
        if (!input.isImage())
            variables.insert(input.name, input.value[0]);
    }
    return variables;
}
