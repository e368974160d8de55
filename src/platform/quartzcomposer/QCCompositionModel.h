#pragma once

#include "platform/quartzcomposer/QCChannelSampling.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A value input's value: x for event, bool, long and float; xy for point2D; rgba for color.
// Doubles hold every whole number a long takes (a 32-bit GLSL int) exactly.
using QCInputValue = std::array<double, 4>;

// What a composition file describes, after parsing and checking: the shader sources with the
// format's own image functions already rewritten into plain GLSL, the inputs at their default
// values, the render passes and the images it loaded.
struct QCCompositionModel {
    enum class Format { ISF = 1, Shadertoy };
    enum class InputType { Event = 1, Bool, Long, Float, Point2D, Color, Image, Audio, AudioFFT };

    struct Input {
        QString name;
        InputType type = InputType::Float;
        // The default value. A long's is a whole number in the range of a GLSL int.
        QCInputValue value{0.0, 0.0, 0.0, 0.0};
        // The declared range, in the value's layout; each bound only when the file gives it.
        std::optional<QCInputValue> min;
        std::optional<QCInputValue> max;
        // A long input's allowed values (VALUES), empty when any whole number in range is.
        std::vector<std::int32_t> values;
        // The names a person sees for VALUES (LABELS), one for each of them; empty when the
        // file gives none.
        std::vector<QString> labels;
        // An audio input's samples or an audioFFT input's bins (MAX); 0 when not given.
        int sampleCount = 0;
        bool isImage() const {
            return type == InputType::Image || type == InputType::Audio ||
                   type == InputType::AudioFFT;
        }
    };

    struct Pass {
        QString target;           // empty: an unnamed buffer (the output when it is the last pass)
        QString widthExpression;  // empty: the render width
        QString heightExpression; // empty: the render height
        bool persistent = false;
        bool isFloat = false;
    };

    struct NamedImage {
        QString name;
        QImage image;
    };

    Format format = Format::ISF;
    // The file's own "#version ..." line, moved out of the body; empty when it has none.
    QString versionLine;
    // The "#extension" directives of the fragment and vertex sources, moved out of their bodies
    // to be placed before every declaration (one a line); empty when there are none.
    QString fragmentExtensions;
    QString vertexExtensions;
    QString fragmentBody;
    // The companion vertex shader's body; empty for the default vertex stage.
    QString vertexBody;
    // Line of the composition file at which fragmentBody starts (1-based).
    int fragmentFirstLine = 1;
    // The ISF file predates version 2 (its vv_ names are accepted in any version).
    bool isfVersion1 = false;
    std::vector<Input> inputs;
    // The input of that name; nullptr when there is none (a Shadertoy composition has none).
    const Input* inputNamed(const QString& name) const {
        for (const Input& input : inputs) {
            if (input.name == name)
                return &input;
        }
        return nullptr;
    }
    std::vector<Pass> passes; // at least one
    std::vector<NamedImage> importedImages;
    // Images bound to iChannel0..3 (null images for unbound channels).
    std::array<QImage, 4> channels;
    // The channel that receives the sound ("#iChannelN \"sound\""), -1 for none.
    int soundChannel = -1;
    // How each channel's image is sampled.
    std::array<QCChannelSampling, 4> channelSampling;
    // Absolute paths of the files the composition read besides its own: the companion vertex
    // shader and every image it loads.
    std::vector<QString> loadedFiles;
};
