#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "support/CoreMachElapsedTime.h"

#include "common/NSImageOf.h"
#include "common/RecordingPresenter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

using namespace lumenreel::test;

namespace {

class QStillFrameMovieRecorderTest : public ::testing::Test {
protected:
    NSAutoreleasePool pool;
    QTemporaryDir folder;
    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(new QStillFrameMovieRecorder);
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();

    void SetUp() override {
        recorder->init();
        NSAlert::setPresenter(presenter);
    }
    void TearDown() override { NSAlert::setPresenter(nullptr); }
};

} // namespace

TEST_F(QStillFrameMovieRecorderTest, FrameLengthsInSixHundredthsOfASecond) {
    // A frame rate of 0 gives an infinite step; no frame is shorter than one unit.
    const std::pair<double, long> rows[] = {
        {1.0 / 30, 20},
        {1.0 / 7, 85},
        {0.0, 1},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int32_t>::max()},
        {std::nan(""), 1},
        {-3.0, 1}};
    for (const auto& [seconds, units] : rows)
        EXPECT_EQ(recorder->calculateElapsedFramesWithFrameDurationSeconds(seconds), units)
            << seconds;
}

TEST_F(QStillFrameMovieRecorderTest, RecordsAPlayableMovieFrameByFrame) {
    const QString path = folder.filePath("Clouds.qt");
    ASSERT_TRUE(recorder->beginRecordingMovieFileURL(NSURL::fileURLWithPath(path)));
    EXPECT_TRUE(recorder->isRecordingMovie());
    EXPECT_FALSE(recorder->beginRecordingMovieFile(folder.filePath("other.qt")));
    const long units = recorder->calculateElapsedFramesWithFrameDurationSeconds(1.0 / 30);
    for (int frame = 0; frame < 999; ++frame) {
        ASSERT_TRUE(recorder->addFrameBitmapImage(
            imageOf(makeTestPicture(12, 10, frame % 50)).get(), std::int32_t(units)));
        if (frame == 499) { // the file is complete after every frame
            EXPECT_EQ(inspectMovie(path).tracks.value(0).packetPts.size(), 500);
        }
    }
    ASSERT_TRUE(recorder->endRecordingMovie());
    EXPECT_FALSE(recorder->isRecordingMovie());
    EXPECT_TRUE(recorder->addFrameAttributes().isEmpty());
    EXPECT_TRUE(presenter->messages.isEmpty());

    const InspectedMovie movie = inspectMovie(path);
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.copyright, "Made with Pixmoth");
    ASSERT_EQ(movie.tracks.size(), 1);
    const InspectedTrack& track = movie.tracks[0];
    // The pictures themselves come back as the movie's own tests pin them.
    EXPECT_EQ(track.codec, "qtrle");
    EXPECT_EQ(track.packetDurations, QList<std::int64_t>(999, 20));
}

TEST_F(QStillFrameMovieRecorderTest, AddsBitmapsAndPlatformImagesBySeconds) {
    const QString path = folder.filePath("live.qt");
    ASSERT_TRUE(recorder->beginRecordingMovieFile(path));
    NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(makeTestPicture(8, 6, 1)));
    ASSERT_TRUE(recorder->addFrameBitmapImageRep(bitmap.get(), 0.5));
    const QImage picture = makeTestPicture(8, 6, 2);
    ASSERT_TRUE(recorder->addFrameImageRef(&picture, 1.0 / 24));
    EXPECT_FALSE(recorder->addFrameImageRef(nullptr, 1.0));
    EXPECT_FALSE(recorder->addFrameBitmapImageRep(nullptr, 1.0));
    NSRef<QTMovie> movie = NSAdopt(recorder->endRecordingCopyMovie());
    ASSERT_TRUE(movie);
    EXPECT_EQ(QTTimeCompare(movie->currentTime(), QTMakeTime(325, 600)), 0);
    movie.reset();
    EXPECT_EQ(inspectMovie(path).tracks.value(0).packetDurations, (QList<std::int64_t>{300, 25}));
}

// How an alert from a render thread reaches the main thread is the alert's own tests' matter.
TEST_F(QStillFrameMovieRecorderTest, AMovieThatCannotBeCreatedIsShownAsAnAlertAndNothingElse) {
    const QString path = QStringLiteral("/nonexistent-folder/Clouds.qt");
    EXPECT_FALSE(recorder->beginRecordingMovieFile(path));
    ASSERT_EQ(presenter->messages.size(), 1);
    EXPECT_TRUE(presenter->messages[0].contains(path));
    // Idle again: everything else is refused quietly.
    EXPECT_FALSE(recorder->isRecordingMovie());
    EXPECT_FALSE(recorder->endRecordingMovie());
    EXPECT_EQ(recorder->endRecordingCopyMovie(), nullptr);
    NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(makeTestPicture(4, 4, 0)));
    EXPECT_FALSE(recorder->addFrameBitmapImageRep(bitmap.get(), 1.0 / 30));
    EXPECT_FALSE(recorder->addFrameBitmapImage(imageOf(makeTestPicture(4, 4, 0)).get(), 20));
    EXPECT_EQ(presenter->messages.size(), 1);
}

TEST_F(QStillFrameMovieRecorderTest, StopwatchMeasuresTheTimeBetweenFrames) {
    ASSERT_TRUE(recorder->beginRecordingMovieFile(folder.filePath("timed.qt")));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double first = recorder->getFrameDurationNow();
    const double second = recorder->getFrameDurationNow();
    EXPECT_GE(first, 0.03);
    EXPECT_LT(first, 10.0);
    EXPECT_LT(second, first);

    CoreMachElapsedTime watch;
    const std::uint64_t before = CoreMachElapsedTime::GetNanoseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(CoreMachElapsedTime::GetNanoseconds() - before, 5'000'000u);
    EXPECT_GE(watch.Elapsed_nsec(), 5'000'000u);
    watch.Start();
    EXPECT_LT(watch.Elapsed_nsec(), 5'000'000u);
}

TEST_F(QStillFrameMovieRecorderTest, OnEncoderThreadsAFrameThatCannotBeWrittenIsReportedByTheEnd) {
    const QString path = folder.filePath("full.qt");
    const int threads = std::exchange(QStillFrameRecorder_Config_EncoderThreads, 3);
    const bool began = recorder->beginRecordingMovieFile(path);
    QStillFrameRecorder_Config_EncoderThreads = threads;
    ASSERT_TRUE(began);
    std::vector<NSRef<NSImage>> images;
    for (int frame = 0; frame < 20; ++frame)
        images.push_back(imageOf(makeTestPicture(64, 48, frame)));
    {
        const FileSizeLimit limit(48 << 10);
        // Fewer frames than the encoder threads hold, handed over at once: the failure is
        // mostly known only when the recording ends.
        for (const NSRef<NSImage>& image : images)
            if (!recorder->addFrameBitmapImage(image.get(), 20))
                break;
        recorder->endRecordingMovie();
    }
    EXPECT_TRUE(recorder->lastErrorDescription().contains(QString::fromLocal8Bit(strerror(EFBIG))))
        << recorder->lastErrorDescription().toStdString();
    // What was written before still plays.
    const InspectedMovie movie = inspectMovie(path);
    ASSERT_TRUE(movie.opened) << movie.error.toStdString();
    ASSERT_EQ(movie.tracks.size(), 1);
    EXPECT_GE(movie.tracks[0].packetPts.size(), 1);
}
