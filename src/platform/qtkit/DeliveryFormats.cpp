#include "platform/qtkit/DeliveryFormats.h"

const QList<DeliveryFormat>& deliveryFormats() {
    static const QList<DeliveryFormat> formats{
        {QStringLiteral("animation"), QStringLiteral("Animation (lossless)"),
         QStringLiteral("QuickTime Animation, lossless with alpha (the default)"),
         QStringLiteral("mov"), true},
        {QStringLiteral("prores4444"), QStringLiteral("ProRes 4444"),
         QStringLiteral("Apple ProRes 4444 with alpha, for editing"), QStringLiteral("mov"), true},
        {QStringLiteral("hap"), QStringLiteral("HAP"),
         QStringLiteral("HAP, played from the GPU by live video software"), QStringLiteral("mov"),
         false},
        {QStringLiteral("hap-alpha"), QStringLiteral("HAP Alpha"),
         QStringLiteral("HAP with alpha, for live video software"), QStringLiteral("mov"), true},
        {QStringLiteral("hapq"), QStringLiteral("HAP Q"),
         QStringLiteral("HAP Q, HAP at a higher quality and twice the size"), QStringLiteral("mov"),
         false},
        {QStringLiteral("h264"), QStringLiteral("H.264 (MP4)"),
         QStringLiteral("H.264 in MP4 for the web and players, no alpha (sound as AAC)"),
         QStringLiteral("mp4"), false},
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
