#pragma once

#include "platform/foundation/NSObject.h"
#include "platform/qtkit/MovieSegment.h"
#include "platform/qtkit/QTTime.h"

#include <QVariant>

class QTMovie;

// A track of a movie. Owned by its movie; valid while the movie lives.
class QTTrack : public NSObject {
    Q_OBJECT
public:
    // The movie the track belongs to (null once that movie is gone).
    QTMovie* movie() const { return mMovie; }
    // QTTrackRangeAttribute: the track's range in movie time (a QTTimeRange);
    // QTTrackMediaTypeAttribute: "vide", "soun", ... An empty value for other keys, and when
    // the movie refuses the calling thread.
    QVariant attributeForKey(const QString& key) const;

    QString mediaType() const { return mSegment.mediaType; }
    QTTimeRange range() const { return QTMakeTimeRange(mSegment.at, mSegment.source.duration); }
    const qtkit::MovieSegment& segment() const { return mSegment; }

    // "<QTTrack: 0x...> soun aac stream 0 of /path"
    QString description() const override;

private:
    friend class QTMovie;
    QTTrack(QTMovie* movie, qtkit::MovieSegment segment);
    void forgetMovie() { mMovie = nullptr; }
    void setSourceDuration(QTTime duration) { mSegment.source.duration = duration; }

    QTMovie* mMovie;
    qtkit::MovieSegment mSegment;
};
