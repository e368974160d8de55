#include "platform/quartzcomposer/QCShaderSources.h"

#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCImageUniforms.h"

#include <QRegularExpression>

namespace {

using Model = QCCompositionModel;

// How an ISF source is compiled.
struct Dialect {
    QString versionLine;
    int number = 110;       // the GLSL version the source compiles as
    bool coreStyle = false; // no gl_FragColor, varying, attribute or texture2D: defined here
    bool es = false;
    bool newTextureFunction = false; // texture() rather than texture2D()
    // The implicit conversions of GLSL 4.20 in return values, which desktop drivers commonly
    // accept in sources without a version line, and those of 4.00 (int to uint) when
    // `intToUint` is set too.
    bool relaxed = false;
    bool intToUint = false;
};

// A "#line" directive that makes the next line count as `line`. Before GLSL 3.30 (and outside
// GLSL ES) the directive names its own line, so the next one is one more.
QString lineDirective(int line, int version, bool es) {
    return QStringLiteral("#line %1\n").arg(es || version >= 330 ? line : line - 1);
}

Dialect isfDialect(const Model& model, const QCShaderAbilities& abilities) {
    Dialect dialect;
    if (!model.versionLine.isEmpty()) {
        static const QRegularExpression pattern(
            QStringLiteral("#\\s*version\\s+(\\d+)\\s*([A-Za-z]*)"));
        const QRegularExpressionMatch match = pattern.match(model.versionLine);
        const int number = match.captured(1).toInt();
        const QString profile = match.captured(2);
        dialect.versionLine = model.versionLine;
        dialect.number = number;
        dialect.newTextureFunction = number >= 130;
        if (number == 100) {
            // GLSL ES 1.00: the classic built-ins, but a fragment shader needs a precision.
            dialect.es = true;
        } else if (profile == u"es") {
            dialect.coreStyle = true;
            dialect.es = true;
        } else if (number >= 150 && profile.isEmpty() && abilities.compatibility) {
            dialect.versionLine = QStringLiteral("#version %1 compatibility").arg(number);
        } else if (number >= 140 && profile != u"compatibility") {
            dialect.coreStyle = true;
        }
        return dialect;
    }
    dialect.intToUint = abilities.implicitIntToUint;
    if (abilities.compatibility && abilities.glslVersion >= 150) {
        // Both sides of a "__VERSION__ <= 120" test are valid here, and so are the classic
        // built-ins that most ISF sources use.
        dialect.versionLine = QStringLiteral("#version 150 compatibility");
        dialect.number = 150;
        dialect.newTextureFunction = true;
        dialect.relaxed = true;
    } else if (!abilities.compatibility) {
        dialect.versionLine = QStringLiteral("#version 150");
        dialect.number = 150;
        dialect.relaxed = true;
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
    if (dialect.relaxed && dialect.intToUint)
        text += QStringLiteral("#extension GL_ARB_gpu_shader5 : enable\n");
    if (dialect.relaxed)
        text += QStringLiteral("#extension GL_ARB_shading_language_420pack : enable\n");
    // The composition's own extensions, before any declaration as GLSL wants them.
    text += vertexStage ? model.vertexExtensions : model.fragmentExtensions;
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
        text += QCImageUniformDeclarations(image);
    text += QStringLiteral("varying vec2 isf_FragNormCoord;\n");
    const QString texture =
        dialect.newTextureFunction ? QStringLiteral("texture") : QStringLiteral("texture2D");
    text += QStringLiteral("vec4 isf_sample(sampler2D image, vec2 normCoord) {\n"
                           "    return %1(image, normCoord);\n}\n"
                           "vec4 isf_samplePixel(sampler2D image, vec2 size, vec2 pixelCoord) {\n"
                           "    return (size.x > 0.0 && size.y > 0.0) ? %1(image, pixelCoord / "
                           "size) : vec4(0.0);\n}\n")
                .arg(texture);
    // Version 1's names, which ISF hosts accept in files of any version.
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
                       lineDirective(model.fragmentFirstLine, dialect.number, dialect.es) +
                       model.fragmentBody;
    sources.vertex = isfDeclarations(model, dialect, true);
    if (model.vertexBody.isEmpty())
        sources.vertex += QStringLiteral("void main() {\n    isf_vertShaderInit();\n}\n");
    else
        sources.vertex += lineDirective(1, dialect.number, dialect.es) + model.vertexBody;
    return sources;
}

QCShaderSources shadertoySources(const Model& model, const QCShaderAbilities& abilities) {
    QString version;
    int number = 150;
    if (abilities.es3Shaders) {
        version = QStringLiteral("#version 300 es\n");
        number = 300;
    } else if (abilities.glslVersion >= 330) {
        version = QStringLiteral("#version 330\n");
        number = 330;
    } else {
        version = QStringLiteral("#version 150\n");
    }
    QCShaderSources sources;
    sources.vertex = version + QStringLiteral("in vec2 %1;\n"
                                              "void main() {\n"
                                              "    gl_Position = vec4(%1, 0.0, 1.0);\n}\n")
                                   .arg(QLatin1StringView(kQCVertexPositionAttribute));
    // The shader's own extensions come first, as GLSL wants them.
    sources.fragment = version + model.fragmentExtensions +
                       (number == 300 ? QStringLiteral("precision highp float;\n"
                                                       "precision highp int;\n")
                                      : QString()) +
                       QStringLiteral("uniform vec3 iResolution;\nuniform float iTime;\n"
                                      "uniform float iGlobalTime;\nuniform float iTimeDelta;\n"
                                      "uniform int iFrame;\nuniform float iFrameRate;\n"
                                      "uniform vec4 iDate;\nuniform vec4 iMouse;\n"
                                      "uniform float iSampleRate;\n"
                                      "uniform vec3 iChannelResolution[4];\n"
                                      "uniform float iChannelTime[4];\n"
                                      "uniform sampler2D iChannel0;\nuniform sampler2D iChannel1;\n"
                                      "uniform sampler2D iChannel2;\nuniform sampler2D iChannel3;\n"
                                      "out vec4 isf_FragColor;\n"
                                      // Shadertoy's value on desktop machines.
                                      "#define HW_PERFORMANCE 1\n") +
                       lineDirective(1, number, number == 300) + model.fragmentBody +
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
