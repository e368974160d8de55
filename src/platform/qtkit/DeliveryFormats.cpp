#include "platform/qtkit/DeliveryFormats.h"

const QList<DeliveryFormat>& deliveryFormats() {
    static const QList<DeliveryFormat> formats{
        {.name = QStringLiteral("animation"),
         .title = QStringLiteral("Animation (lossless)"),
         .purpose = QStringLiteral("QuickTime Animation, lossless with alpha (the default)"),
         .extension = QStringLiteral("mov"),
         .keepsAlpha = true},
        {.name = QStringLiteral("prores4444"),
         .title = QStringLiteral("ProRes 4444"),
         .purpose = QStringLiteral("Apple ProRes 4444 with alpha, for editing"),
         .extension = QStringLiteral("mov"),
         .keepsAlpha = true,
         // FFmpeg's other ProRes encoder (prores_ks) makes the same pictures at the same size
         // from these, at about four times the work.
         .encoder = "prores",
         .encoderOptions = "profile=4:vendor=apl0",
         .pixelFormat = "yuva444p10le"},
        {.name = QStringLiteral("hap"),
         .title = QStringLiteral("HAP"),
         .purpose = QStringLiteral("HAP, played from the GPU by live video software"),
         .extension = QStringLiteral("mov"),
         // Written by our own HAP writer (HapFrames.h) at a quarter of the work of FFmpeg's
         // encoder for pictures as close; FFmpeg's encoder describes the track.
         .encoder = "hap",
         .hapTexture = 0x0B,
         .encoderOptions = "format=hap",
         .perCoreOption = "chunks",
         .pixelFormat = "rgba",
         .codecTag = "Hap1"},
        {.name = QStringLiteral("hap-alpha"),
         .title = QStringLiteral("HAP Alpha"),
         .purpose = QStringLiteral("HAP with alpha, for live video software"),
         .extension = QStringLiteral("mov"),
         .keepsAlpha = true,
         .encoder = "hap",
         .hapTexture = 0x0E,
         .encoderOptions = "format=hap_alpha",
         .perCoreOption = "chunks",
         .pixelFormat = "rgba",
         .codecTag = "Hap5"},
        {.name = QStringLiteral("hapq"),
         .title = QStringLiteral("HAP Q"),
         .purpose = QStringLiteral("HAP Q, HAP at a higher quality and twice the size"),
         .extension = QStringLiteral("mov"),
         .encoder = "hap",
         .hapTexture = 0x0F,
         .encoderOptions = "format=hap_q",
         .perCoreOption = "chunks",
         .pixelFormat = "rgba",
         .codecTag = "HapY"},
        // The index first (faststart), so that players can start before the whole file arrived.
        {.name = QStringLiteral("h264"),
         .title = QStringLiteral("H.264 (MP4)"),
         .purpose = QStringLiteral("H.264 in MP4 for the web and players, no alpha (sound as AAC)"),
         .extension = QStringLiteral("mp4"),
         .encoder = "libx264",
         .encoderOptions = "preset=medium:crf=18",
         .codecTag = "avc1",
         .container = "mp4",
         .containerOptions = "movflags=+faststart"},
    };
    return formats;
}

const DeliveryFormat* deliveryFormatNamed(const QString& name) {
    for (const DeliveryFormat& format : deliveryFormats()) {
        if (format.name == name)
            return &format;
    }
    return nullptr;
}

const DeliveryFormat* deliveryFormatOrDefault(const QString& name) {
    return name.isEmpty() ? &deliveryFormats().first() : deliveryFormatNamed(name);
}
