// Image movies encoded on a pool of threads: the same packets as one thread writes, a file that
// plays with every frame written so far, and write failures that reach the caller.

#include "platform/qtkit/AnimationEncoderPool.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"

#include "common/NSImageOf.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/resource.h>

using namespace lumenreel::test;

namespace {

const QVariantMap kAnimation{{QTAddImageCodecType, QTCodecTypeAnimation},
                             {QTAddImageCodecQuality, qlonglong(1024)}};

// Frame `index` of a sequence with every kind of change from one frame to the next: a new
// background every seven frames, a small square moving over a few rows, repeated frames.
QImage sequencePicture(int index) {
    QImage picture = makeTestPicture(80, 60, index / 7);
    if (index % 5 != 4) {
        QPainter painter(&picture);
        painter.fillRect(QRect((index * 3) % 70, 20 + index % 9, 6, 5), QColor(255, 40, 0, 128));
    }
    return picture;
}

NSRef<QTMovie> newMovie(const QString& path, int threads) {
    NSRef<QTMovie> movie = NSAdopt(QTMovie::initToWritableFile(path, nullptr));
    EXPECT_TRUE(movie);
    if (!movie)
        return movie;
    movie->setAttribute(QStringLiteral("Made with Pixmoth"), QTMovieCopyrightAttribute);
    EXPECT_TRUE(movie->setAttribute(threads, QTMovieEncoderThreadsAttribute));
    return movie;
}

bool addFrame(QTMovie* movie, const QImage& picture, std::int64_t duration) {
    NSAutoreleasePool pool;
    return movie->addImage(imageOf(picture).get(), QTMakeTime(duration, 600), kAnimation) &&
           movie->updateMovieFile();
}

// Records `count` frames of the sequence on `threads` threads, updating the file after each.
QString record(const QTemporaryDir& folder, int threads, int count) {
    const QString path = folder.filePath(QStringLiteral("threads%1.mov").arg(threads));
    NSRef<QTMovie> movie = newMovie(path, threads);
    for (int index = 0; index < count; ++index)
        EXPECT_TRUE(addFrame(movie.get(), sequencePicture(index), index % 17 == 3 ? 7 : 20))
            << "frame " << index << " on " << threads << " threads";
    EXPECT_TRUE(movie->waitForImagesInFlight());
    return path;
}

} // namespace

TEST(QTMovieEncoderThreadsTest, EveryPoolSizeWritesThePacketsOfOneThread) {
    QTemporaryDir folder;
    // 20 whole groups of twelve and one cut short by the end of the movie.
    constexpr int kFrames = 250;
    const QString reference = record(folder, 1, kFrames);
    const QList<StoredPacket> expected = readStoredPackets(reference, 0);
    ASSERT_EQ(expected.size(), kFrames);
    for (int index = 0; index < kFrames; ++index)
        EXPECT_EQ(expected[index].key, index % 12 == 0) << "frame " << index;

    // A fragment per frame on every path: the files are the same, packets and all.
    for (int threads : {2, 3, 5, 8})
        EXPECT_TRUE(contentsOf(record(folder, threads, kFrames)) == contentsOf(reference))
            << threads << " threads";
}

TEST(QTMovieEncoderThreadsTest, TheFilePlaysWithEveryFrameWrittenWhileOthersAreInFlight) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("live.mov"));
    NSRef<QTMovie> movie = newMovie(path, 3);
    EXPECT_FALSE(movie->setAttribute(-1, QTMovieEncoderThreadsAttribute));
    for (int index = 0; index < 90; ++index) {
        ASSERT_TRUE(addFrame(movie.get(), sequencePicture(index), 20));
        if (index % 30 != 29)
            continue;
        const QString copy = folder.filePath(QStringLiteral("copy%1.mov").arg(index));
        ASSERT_TRUE(QFile::copy(path, copy));
        const QList<QImage> frames = decodeVideoFrames(copy, 0);
        ASSERT_LE(frames.size(), index + 1);
        for (int written = 0; written < frames.size(); ++written)
            ASSERT_TRUE(frames[written] == sequencePicture(written)) << "frame " << written;
    }
    // The number of threads is fixed once the first frame is in.
    EXPECT_FALSE(movie->setAttribute(2, QTMovieEncoderThreadsAttribute));
    EXPECT_EQ(movie->attributeForKey(QTMovieEncoderThreadsAttribute).toInt(), 3);
    ASSERT_TRUE(movie->waitForImagesInFlight());
    const QString copy = folder.filePath(QStringLiteral("all.mov"));
    ASSERT_TRUE(QFile::copy(path, copy));
    EXPECT_EQ(readStoredPackets(copy, 0).size(), 90);
    EXPECT_EQ(movie->duration().timeValue, 90 * 20);
}

TEST(QTMovieEncoderThreadsTest, AFileThatCannotGrowFailsTheNextFramesAndTheEnd) {
    QTemporaryDir folder;
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    // Files of this process cannot grow past 64 KiB while the limit holds.
    const FileSizeLimit limit(64 << 10);
    int oneThreadFailedAt = -1;
    for (int threads : {1, 3}) {
        NSRef<QTMovie> movie =
            newMovie(folder.filePath(QStringLiteral("full%1.mov").arg(threads)), threads);
        int failedAt = -1;
        for (int index = 0; index < 1000 && failedAt < 0; ++index)
            if (!addFrame(movie.get(), sequencePicture(index), 20))
                failedAt = index;
        ASSERT_GE(failedAt, 0) << threads << " threads";
        EXPECT_TRUE(movie->lastErrorDescription().contains(tooLarge))
            << movie->lastErrorDescription().toStdString();
        if (threads == 1) {
            oneThreadFailedAt = failedAt;
        } else {
            // Known by the time the pool holds its most frames beyond those that fit.
            const int inFlight =
                qtkit::AnimationEncoderPool::Settings::forPictures(80, 60, 600, threads)
                    .maxInFlight;
            EXPECT_LE(failedAt, oneThreadFailedAt + inFlight + 1);
        }
        // Sticky: later frames and the end fail too, still giving the cause.
        EXPECT_FALSE(addFrame(movie.get(), sequencePicture(0), 20));
        EXPECT_FALSE(movie->waitForImagesInFlight());
        EXPECT_TRUE(movie->lastErrorDescription().contains(tooLarge))
            << movie->lastErrorDescription().toStdString();
    }
}

TEST(QTMovieEncoderThreadsTest, PicturesInFlightStayWithinTheBudgetAtEverySize) {
    using Settings = qtkit::AnimationEncoderPool::Settings;
    const Settings small = Settings::forPictures(640, 480, 600, 4);
    EXPECT_EQ(small.threads, 4);
    EXPECT_EQ(small.maxInFlight, 4 * 13);
    // 4096x2160: 35 MB a picture; the budget holds 60 of them, five whole groups.
    const Settings large = Settings::forPictures(4096, 2160, 600, 16);
    EXPECT_EQ(large.maxInFlight, 60);
    EXPECT_EQ(large.threads, 5);
    EXPECT_GE(Settings::forPictures(640, 480, 600, 0).threads, 1);
    for (int side : {16, 1000, 4096, 8192, 16384})
        for (int threads : {1, 2, 7, 64}) {
            const Settings settings = Settings::forPictures(side, side, 600, threads);
            const std::int64_t bytes = std::int64_t(side) * side * 4;
            EXPECT_TRUE(settings.maxInFlight * bytes <=
                            qtkit::AnimationEncoderPool::kInFlightBudgetBytes ||
                        settings.maxInFlight == 2)
                << side;
            EXPECT_GE(settings.threads, 1);
            EXPECT_LE(settings.threads, threads);
        }
}

// The encoders wait on the render, not the other way round: they take the cores it leaves.
TEST(QTMovieEncoderThreadsTest, EncodersAndTheirWriterGiveTheRenderTheFirstTurn) {
    const int callers = ::getpriority(PRIO_PROCESS, 0);
    int writers = callers;
    QString error;
    auto settings = qtkit::AnimationEncoderPool::Settings::forPictures(80, 60, 600, 2);
    auto pool = qtkit::AnimationEncoderPool::create(
        settings,
        [&](AVPacket*, bool, QString*) {
            writers = ::getpriority(PRIO_PROCESS, 0);
            return true;
        },
        &error);
    ASSERT_TRUE(pool) << qPrintable(error);
    ASSERT_TRUE(pool->submit(sequencePicture(0), 0, 20, &error)) << qPrintable(error);
    ASSERT_TRUE(pool->drain(&error)) << qPrintable(error);
    EXPECT_GT(writers, callers);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), callers);
}
