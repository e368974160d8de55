#include "platform/quartzcomposer/QCShaderSources.h"

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QRegularExpression>

namespace {

using Model = QCCompositionModel;

// How an ISF source is compiled.
struct Dialect {
    QString versionLine;
    bool coreStyle = false; // no gl_FragColor, varying, attribute or texture2D: defined here
    bool es = false;
    bool newTextureFunction = false; // texture() rather than texture2D()
};

Dialect isfDialect(const Model& model, const QCShaderAbilities& abilities) {
    Dialect dialect;
    if (!model.versionLine.isEmpty()) {
        static const QRegularExpression pattern(
            QStringLiteral("#\\s*version\\s+(\\d+)\\s*([A-Za-z]*)"));
        const QRegularExpressionMatch match = pattern.match(model.versionLine);
        const int number = match.captured(1).toInt();
        const QString profile = match.captured(2);
        dialect.versionLine = model.versionLine;
        dialect.newTextureFunction = number >= 130;
        if (profile == u"es") {
            dialect.coreStyle = true;
            dialect.es = true;
        } else if (number >= 150 && profile.isEmpty() && abilities.compatibility) {
            dialect.versionLine = QStringLiteral("#version %1 compatibility").arg(number);
        } else if (number >= 140 && profile != u"compatibility") {
            dialect.coreStyle = true;
        }
        return dialect;
    }
    if (abilities.compatibility && abilities.glslVersion >= 150) {
        // Both sides of a "__VERSION__ <= 120" test are valid here, and so are the classic
        // built-ins that most ISF sources use.
        dialect.versionLine = QStringLiteral("#version 150 compatibility");
        dialect.newTextureFunction = true;
    } else if (!abilities.compatibility) {
        dialect.versionLine = QStringLiteral("#version 150");
        dialect.coreStyle = true;
        dialect.newTextureFunction = true;
    }
    return dialect;
}

QString glslType(Model::InputType type) {
    switch (type) {
    case Model::InputType::Event:
    case Model::InputType::Bool:
        return QStringLiteral("bool");
    case Model::InputType::Long:
        return QStringLiteral("int");
    case Model::InputType::Float:
        return QStringLiteral("float");
    case Model::InputType::Point2D:
        return QStringLiteral("vec2");
    case Model::InputType::Color:
        return QStringLiteral("vec4");
    case Model::InputType::Image:
    case Model::InputType::Audio:
    case Model::InputType::AudioFFT:
        break;
    }
    return QStringLiteral("sampler2D");
}

QString isfDeclarations(const Model& model, const Dialect& dialect, bool vertexStage) {
    QString text = dialect.versionLine.isEmpty() ? QString() : dialect.versionLine + u'\n';
    if (dialect.es)
        text += QStringLiteral("precision highp float;\nprecision highp int;\n"
                               "precision highp sampler2D;\n");
    if (dialect.coreStyle) {
        if (vertexStage)
            text += QStringLiteral("#define attribute in\n#define varying out\n");
        else
            text += QStringLiteral("out vec4 isf_FragColor;\n#define gl_FragColor isf_FragColor\n"
                                   "#define varying in\n");
        text += QStringLiteral("#define texture2D texture\n");
    }
    text += QStringLiteral("uniform int PASSINDEX;\nuniform vec2 RENDERSIZE;\nuniform float TIME;\n"
                           "uniform float TIMEDELTA;\nuniform vec4 DATE;\n"
                           "uniform int FRAMEINDEX;\n");
    QStringList images;
    for (const Model::Input& input : model.inputs) {
        if (input.isImage())
            images << input.name;
        else
            text += QStringLiteral("uniform %1 %2;\n").arg(glslType(input.type), input.name);
    }
    for (const Model::NamedImage& image : model.importedImages)
        images << image.name;
    for (const Model::Pass& pass : model.passes) {
        if (!pass.target.isEmpty() && !images.contains(pass.target))
            images << pass.target;
    }
    for (const QString& image : images)
        text += QStringLiteral("uniform sampler2D %1;\nuniform vec2 _%1_imgSize;\n").arg(image);
    text += QStringLiteral("varying vec2 isf_FragNormCoord;\n");
    const QString texture =
        dialect.newTextureFunction ? QStringLiteral("texture") : QStringLiteral("texture2D");
    text += QStringLiteral("vec4 isf_sample(sampler2D image, vec2 normCoord) {\n"
                           "    return %1(image, normCoord);\n}\n"
                           "vec4 isf_samplePixel(sampler2D image, vec2 size, vec2 pixelCoord) {\n"
                           "    return (size.x > 0.0 && size.y > 0.0) ? %1(image, pixelCoord / "
                           "size) : vec4(0.0);\n}\n")
                .arg(texture);
    if (model.isfVersion1)
        text += QStringLiteral("#define vv_FragNormCoord isf_FragNormCoord\n"
                               "#define vv_vertShaderInit isf_vertShaderInit\n");
    if (vertexStage)
        text += QStringLiteral("attribute vec2 %1;\n"
                               "void isf_vertShaderInit() {\n"
                               "    gl_Position = vec4(%1, 0.0, 1.0);\n"
                               "    isf_FragNormCoord = %1 * 0.5 + 0.5;\n}\n")
                    .arg(QLatin1StringView(kQCVertexPositionAttribute));
    return text;
}

QCShaderSources isfSources(const Model& model, const QCShaderAbilities& abilities) {
    const Dialect dialect = isfDialect(model, abilities);
    QCShaderSources sources;
    sources.fragment = isfDeclarations(model, dialect, false) +
                       QStringLiteral("#line %1\n").arg(model.fragmentFirstLine) +
                       model.fragmentBody;
    sources.vertex = isfDeclarations(model, dialect, true);
    if (model.vertexBody.isEmpty())
        sources.vertex += QStringLiteral("void main() {\n    isf_vertShaderInit();\n}\n");
    else
        sources.vertex += QStringLiteral("#line 1\n") + model.vertexBody;
    return sources;
}

QCShaderSources shadertoySources(const Model& model, const QCShaderAbilities& abilities) {
    QString version;
    if (abilities.es3Shaders)
        version = QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\n");
    else if (abilities.glslVersion >= 330)
        version = QStringLiteral("#version 330\n");
    else
        version = QStringLiteral("#version 150\n");
    QCShaderSources sources;
    sources.vertex = version + QStringLiteral("in vec2 %1;\n"
                                              "void main() {\n"
                                              "    gl_Position = vec4(%1, 0.0, 1.0);\n}\n")
                                   .arg(QLatin1StringView(kQCVertexPositionAttribute));
    sources.fragment = version +
                       QStringLiteral("uniform vec3 iResolution;\nuniform float iTime;\n"
                                      "uniform float iGlobalTime;\nuniform float iTimeDelta;\n"
                                      "uniform int iFrame;\nuniform float iFrameRate;\n"
                                      "uniform vec4 iDate;\nuniform vec4 iMouse;\n"
                                      "uniform float iSampleRate;\n"
                                      "uniform vec3 iChannelResolution[4];\n"
                                      "uniform float iChannelTime[4];\n"
                                      "uniform sampler2D iChannel0;\nuniform sampler2D iChannel1;\n"
                                      "uniform sampler2D iChannel2;\nuniform sampler2D iChannel3;\n"
                                      "out vec4 isf_FragColor;\n#line 1\n") +
                       model.fragmentBody +
                       QStringLiteral("\nvoid main() {\n"
                                      "    vec4 color = vec4(0.0, 0.0, 0.0, 1.0);\n"
                                      "    mainImage(color, gl_FragCoord.xy);\n"
                                      "    isf_FragColor = vec4(color.rgb, 1.0);\n}\n");
    return sources;
}

} // namespace

QCShaderSources QCBuildShaderSources(const QCCompositionModel& in_model,
                                     const QCShaderAbilities& in_abilities) {
    return in_model.format == Model::Format::ISF ? isfSources(in_model, in_abilities)
                                                 : shadertoySources(in_model, in_abilities);
}
