#pragma once

#include <QList>
#include <QString>

// The video formats a final movie can be written in. The Animation codec is the recorder's own
// and is copied as it is; the others are encoded from it while the movie is written.
struct DeliveryFormat {
    QString name;      // as command lines and settings name it: "animation", "prores4444" ...
    QString title;     // as the window shows it
    QString purpose;   // one line on what it is for
    QString extension; // of the movie file: "mov" or "mp4"
    bool keepsAlpha = false;
};

// Every format, the default ("animation") first.
const QList<DeliveryFormat>& deliveryFormats();
// The format of that name; nullptr for an unknown one.
const DeliveryFormat* deliveryFormatNamed(const QString& name);
