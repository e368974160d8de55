#include "platform/qtkit/QTTrack.h"

#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"

QTTrack::QTTrack(QTMovie* movie, qtkit::MovieSegment segment)
    : mMovie(movie), mSegment(std::move(segment)) {}

QVariant QTTrack::attributeForKey(const QString& key) const {
    if (!mMovie || !mMovie->attachedToCurrentThread("-[QTTrack attributeForKey:]"))
        return {};
    if (key == QTTrackRangeAttribute)
        return QVariant::fromValue(range());
    if (key == QTTrackMediaTypeAttribute)
        return mSegment.mediaType;
    return {};
}

QString QTTrack::description() const {
    return QStringLiteral("<QTTrack: 0x%1> %2 %3 stream %4 of %5")
        .arg(reinterpret_cast<quintptr>(this), 0, 16)
        .arg(mSegment.mediaType, mSegment.codecName)
        .arg(mSegment.stream)
        .arg(mSegment.file);
}
