// Flattened movies written along the recording of their video: the very file that flattening
// writes after the recording, taken only for exactly the movie asked for, and nothing left
// behind when it is not taken.

#include "platform/foundation/NSObject.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"

#include "common/NSImageOf.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumenreel::test;

namespace {

const QVariantMap kAnimation{{QTAddImageCodecType, QTCodecTypeAnimation},
                             {QTAddImageCodecQuality, qlonglong(1024)}};

class FlatteningAheadTest : public ::testing::Test {
protected:
    QTemporaryDir mFolder;
    QString mSound;
    QString mVideo;

    void SetUp() override {
        mSound = path("sound.m4a");
        ASSERT_TRUE(runFfmpeg(
            {"-f", "lavfi", "-i", "sine=frequency=330:duration=1.3", "-c:a", "aac", mSound}));
        mVideo = path("video.qt");
    }

    QString path(const char* name) const { return mFolder.filePath(QString::fromUtf8(name)); }

    // Records `frames` frames on `threads` encoder threads; `afterFirst` runs once the first is
    // in the file.
    void record(int frames, int threads, const std::function<void()>& afterFirst) {
        NSAutoreleasePool pool;
        NSRef<QTMovie> movie = NSAdopt(QTMovie::initToWritableFile(mVideo, nullptr));
        ASSERT_TRUE(movie);
        ASSERT_TRUE(movie->setAttribute(threads, QTMovieEncoderThreadsAttribute));
        for (int index = 0; index < frames; ++index) {
            NSAutoreleasePool framePool;
            QImage picture = makeTestPicture(96, 64, index / 5);
            QPainter(&picture).fillRect(index % 80, 10, 12, 20, QColor(250, 30, 0, 120));
            ASSERT_TRUE(movie->addImage(imageOf(picture).get(),
                                        QTMakeTime(index % 7 == 3 ? 13 : 20, 600), kAnimation) &&
                        movie->updateMovieFile());
            if (index == 0)
                afterFirst();
        }
    } // the movie is finished as it goes

    // Flattens the sound's and the video's first tracks into `target` as a flattening after the
    // recording does: a reference movie, both tracks whole from time 0, sound first.
    bool flatten(const QString& target, const QString& comment = QString(),
                 std::function<bool(double)> shouldContinue = {}) {
        NSAutoreleasePool pool;
        NSRef<QTMovie> reference =
            NSAdopt(QTMovie::initToWritableFile(path("reference.MooV"), nullptr));
        QTMovie* sound = QTMovie::movieWithFile(mSound, nullptr);
        QTMovie* video = QTMovie::movieWithFile(mVideo, nullptr);
        if (!reference || !sound || !video)
            return false;
        reference->setAttribute(QString(""), QTMovieCopyrightAttribute);
        for (QTMovie* source : {sound, video})
            if (!reference->insertSegmentOfTrack(source->tracks().first(),
                                                 QTMakeTimeRange(QTZeroTime, source->duration()),
                                                 QTZeroTime))
                return false;
        if (shouldContinue)
            reference->setShouldContinueOperation(shouldContinue);
        const bool written = reference->writeToFile(
            target, {{QTMovieFlatten, true}, {QTMovieExportComment, comment}}, nullptr);
        QFile::remove(path("reference.MooV"));
        return written;
    }

    bool beginAhead(const char* target, const QString& comment = QString()) {
        return qtkit::beginFlatteningAhead(path(target), mSound, mVideo, QVariant(QString("")),
                                           QString(), comment);
    }

    // The files of the folder, hidden ones too.
    QStringList files() const {
        return QDir(mFolder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST_F(FlatteningAheadTest, TheMovieWrittenAlongTheRecordingIsTheOneWrittenAfterIt) {
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        bool begun = false;
        record(45, threads, [&] { begun = beginAhead("ahead.mov"); });
        ASSERT_TRUE(begun);
        const int taken = qtkit::flatteningsTakenAhead();
        ASSERT_TRUE(flatten(path("ahead.mov")));
        EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken + 1);
        ASSERT_TRUE(flatten(path("after.mov")));
        EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken + 1);

        const QByteArray ahead = contentsOf(path("ahead.mov"));
        EXPECT_GT(ahead.size(), 100000);
        EXPECT_TRUE(ahead == contentsOf(path("after.mov")));
        EXPECT_EQ(files(), QStringList({"after.mov", "ahead.mov", "sound.m4a", "video.qt"}));
    }
}

TEST_F(FlatteningAheadTest, AnythingElseIsWrittenAnewAndNothingIsLeftBehind) {
    const int taken = qtkit::flatteningsTakenAhead();
    // Another comment than the one written ahead: the movie asked for is written.
    record(20, 2, [&] { EXPECT_TRUE(beginAhead("movie.mov", QStringLiteral("first"))); });
    ASSERT_TRUE(flatten(path("movie.mov"), QStringLiteral("second")));
    EXPECT_TRUE(contentsOf(path("movie.mov")).contains("second"));
    EXPECT_EQ(files(), QStringList({"movie.mov", "sound.m4a", "video.qt"}));

    // Dropped while the recording goes on: stopped at once, its file removed.
    record(20, 2, [&] {
        EXPECT_TRUE(beginAhead("dropped.mov"));
        qtkit::dropFlatteningAhead(path("dropped.mov"));
        EXPECT_EQ(files(), QStringList({"movie.mov", "sound.m4a", "video.qt"}));
    });

    // Stopped while it is waited for: no movie, nothing left.
    record(20, 2, [&] { EXPECT_TRUE(beginAhead("stopped.mov")); });
    EXPECT_FALSE(flatten(path("stopped.mov"), QString(), [](double) { return false; }));
    EXPECT_EQ(files(), QStringList({"movie.mov", "sound.m4a", "video.qt"}));

    // A recording that is not going on cannot be followed.
    EXPECT_FALSE(beginAhead("late.mov"));
    EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken);
}
