// Flattened movies written along the recording of their video: the very file that flattening
// writes after the recording, taken only for exactly the movie asked for, and nothing left
// behind when it is not taken.

#include "platform/foundation/NSObject.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"

#include "common/NSImageOf.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

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

    // Records `frames` frames on `threads` encoder threads; `afterFirst` runs once the first (or
    // the one at `afterIndex`) is in the file.
    void record(int frames, int threads, const std::function<void()>& afterFirst,
                int afterIndex = 0) {
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
            if (index == afterIndex)
                afterFirst();
        }
    } // the movie is finished as it goes

    // Flattens the sound's and the video's first tracks into `target` as a flattening after the
    // recording does: a reference movie, both tracks whole from time 0, sound first.
    bool flatten(const QString& target, const QString& comment = QString(),
                 std::function<bool(double)> shouldContinue = {}, const QString& format = QString(),
                 double videoPart = 1.0) {
        NSAutoreleasePool pool;
        NSRef<QTMovie> reference =
            NSAdopt(QTMovie::initToWritableFile(path("reference.MooV"), nullptr));
        QTMovie* sound = QTMovie::movieWithFile(mSound, nullptr);
        QTMovie* video = QTMovie::movieWithFile(mVideo, nullptr);
        if (!reference || !sound || !video)
            return false;
        reference->setAttribute(QString(""), QTMovieCopyrightAttribute);
        for (QTMovie* source : {sound, video}) {
            QTTime length = source->duration();
            if (source == video)
                length.timeValue = qint64(double(length.timeValue) * videoPart);
            if (!reference->insertSegmentOfTrack(source->tracks().first(),
                                                 QTMakeTimeRange(QTZeroTime, length), QTZeroTime))
                return false;
        }
        if (shouldContinue)
            reference->setShouldContinueOperation(shouldContinue);
        const bool written = reference->writeToFile(target,
                                                    {{QTMovieFlatten, true},
                                                     {QTMovieExportComment, comment},
                                                     {QTMovieExportVideoFormat, format}},
                                                    nullptr);
        QFile::remove(path("reference.MooV"));
        return written;
    }

    bool beginAhead(const char* target, const QString& comment = QString(),
                    const QString& format = QString()) {
        return qtkit::beginFlatteningAhead(path(target), mSound, mVideo, QVariant(QString("")),
                                           format, comment);
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

TEST_F(FlatteningAheadTest, EncodedFormatsAreWrittenFromTheRecordedPictures) {
    for (const QString format : {"prores4444", "hap-alpha", "h264"}) {
        SCOPED_TRACE(format.toStdString());
        const int taken = qtkit::flatteningsTakenAhead();
        const int encoded = qtkit::flatteningsEncodedAlong();
        record(45, 2, [&] { EXPECT_TRUE(beginAhead("ahead.mov", QString(), format)); });
        ASSERT_TRUE(flatten(path("ahead.mov"), QString(), {}, format));
        EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken + 1);
        EXPECT_EQ(qtkit::flatteningsEncodedAlong(), encoded + 1);
        // Written again after the recording, from the Animation movie.
        ASSERT_TRUE(flatten(path("after.mov"), QString(), {}, format));
        EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken + 1);

        const QList<StoredPacket> ahead = readStoredPackets(path("ahead.mov"), 1);
        EXPECT_EQ(ahead.size(), 45);
        const auto timing = [](const StoredPacket& packet) {
            return std::pair(packet.pts, packet.dts);
        };
        EXPECT_TRUE(
            std::ranges::equal(ahead, readStoredPackets(path("after.mov"), 1), {}, timing, timing));
        EXPECT_EQ(decodeVideoFrames(path("ahead.mov"), 1), decodeVideoFrames(path("after.mov"), 1));
        EXPECT_EQ(files(), QStringList({"after.mov", "ahead.mov", "sound.m4a", "video.qt"}));
        QFile::remove(path("ahead.mov"));
        QFile::remove(path("after.mov"));
    }
}

TEST_F(FlatteningAheadTest, AnEncodedFormatNotTakenAlongIsWrittenFromTheRecording) {
    const int encoded = qtkit::flatteningsEncodedAlong();
    // A part of the video (an edited movie) is not what was written along: written anew.
    const int taken = qtkit::flatteningsTakenAhead();
    record(40, 2, [&] { EXPECT_TRUE(beginAhead("part.mov", QString(), "prores4444")); });
    ASSERT_TRUE(flatten(path("part.mov"), QString(), {}, "prores4444", 0.5));
    EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken);
    EXPECT_EQ(readStoredPackets(path("part.mov"), 1).size(), 20);
    EXPECT_EQ(files(), QStringList({"part.mov", "sound.m4a", "video.qt"}));

    // Dropped while the recording goes on: the recording no longer waits for its encoder.
    record(20, 1, [&] {
        EXPECT_TRUE(beginAhead("dropped.mov", QString(), "h264"));
        qtkit::dropFlatteningAhead(path("dropped.mov"));
    });
    EXPECT_EQ(files(), QStringList({"part.mov", "sound.m4a", "video.qt"}));

    // Begun once the recording took more pictures than it keeps: the video is decoded from the
    // recording as it grows, and is the same.
    record(
        30, 2, [&] { EXPECT_TRUE(beginAhead("late.mov", QString(), "hap")); },
        qtkit::LiveMovieFile::kKeptPictures + 1);
    ASSERT_TRUE(flatten(path("late.mov"), QString(), {}, "hap"));
    EXPECT_EQ(qtkit::flatteningsTakenAhead(), taken + 1);
    ASSERT_TRUE(flatten(path("after.mov"), QString(), {}, "hap"));
    EXPECT_EQ(decodeVideoFrames(path("late.mov"), 1), decodeVideoFrames(path("after.mov"), 1));
    EXPECT_EQ(decodeVideoFrames(path("late.mov"), 1).size(), 30);
    EXPECT_EQ(qtkit::flatteningsEncodedAlong(), encoded);
}
