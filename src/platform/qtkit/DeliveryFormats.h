#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// The video formats a final movie can be written in. The Animation codec is the recorder's own
// and is copied as it is; the others are encoded from the recorded pictures, as the recording
// takes them when the movie is written along with it, otherwise decoded from the recording. Each
// format is a recipe for the movie writer: adding a format is adding a row to deliveryFormats().
struct DeliveryFormat {
    QString name = {};      // as command lines and settings name it: "animation", "prores4444" ...
    QString title = {};     // as the window shows it
    QString purpose = {};   // one line on what it is for
    QString extension = {}; // of the movie file: "mov" or "mp4"
    bool keepsAlpha = false;

    // The FFmpeg encoder of the video tracks; empty copies the recorded pictures as they are.
    const char* encoder = "";
    // The texture of the HAP frames that our own HAP writer makes instead of the encoder
    // (hap::Texture's value: 0x0B DXT1, 0x0E DXT5, 0x0F scaled YCoCg DXT5); 0 leaves the
    // pictures to the encoder.
    std::uint8_t hapTexture = 0;
    // The encoder's options, "key=value:key=value" as av_dict_parse_string reads them.
    const char* encoderOptions = "";
    // An encoder option set to the number of processor cores (1 to 64): the pieces of a picture
    // the encoder compresses on threads of its own. Empty for none.
    const char* perCoreOption = "";
    // The pictures' pixel format, as av_get_pix_fmt names it.
    const char* pixelFormat = "yuv420p";
    // The video track's four-character code where the container's default is not wanted.
    const char* codecTag = "";
    // The libavformat writer of the file, and its options in the form of `encoderOptions`.
    const char* container = "mov";
    const char* containerOptions = "";

    // Whether video tracks are encoded rather than copied.
    bool encodes() const { return encoder[0] != '\0'; }
};

// Every format, the default ("animation") first.
const QList<DeliveryFormat>& deliveryFormats();
// The format of that name; nullptr for an unknown one.
const DeliveryFormat* deliveryFormatNamed(const QString& name);
// The format the movie writers use for `name`: the default for an empty name, as for a job that
// names none; nullptr for an unknown one.
const DeliveryFormat* deliveryFormatOrDefault(const QString& name);
