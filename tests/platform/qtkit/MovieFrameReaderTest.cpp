#include "platform/qtkit/MovieFrameReader.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/SoundSamples.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using lumenreel::test::runFfmpeg;

class MovieFrameReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        // 10 frames at 5 fps, frame k filled with the grey level 20 k, and a second of sound.
        mMovie = mFolder.filePath(QStringLiteral("numbered.mov"));
        ASSERT_TRUE(
            runFfmpeg({"-f", "lavfi", "-i",
                       "color=black:size=8x8:rate=5,format=rgb24,geq=r='20*N':g='255*lt(Y,4)':b=0",
                       "-f", "lavfi", "-i", "sine=frequency=100:sample_rate=8000:duration=1",
                       "-frames:v", "10", "-c:v", "qtrle", "-c:a", "pcm_s16le", mMovie}));
    }

    int frameNumberAt(MovieFrameReader& reader, double seconds) {
        QString error;
        const QImage frame = reader.frameAtTime(seconds, &error);
        EXPECT_FALSE(frame.isNull()) << error.toStdString();
        return frame.isNull() ? -1 : qRed(frame.pixel(4, 4)) / 20;
    }

    QTemporaryDir mFolder;
    QString mMovie;
};

TEST_F(MovieFrameReaderTest, GivesTheFrameShownAtEachTimeOfFilesWithPictures) {
    QString error;
    std::unique_ptr<MovieFrameReader> reader = MovieFrameReader::open(mMovie, &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_EQ(reader->size(), QSize(8, 8));
    EXPECT_EQ(frameNumberAt(*reader, 0.0), 0);
    EXPECT_EQ(frameNumberAt(*reader, 0.19), 0);
    EXPECT_EQ(frameNumberAt(*reader, 0.2), 1);  // a frame's own start shows it
    EXPECT_EQ(frameNumberAt(*reader, 0.2), 1);  // asked twice
    EXPECT_EQ(frameNumberAt(*reader, 1.1), 5);  // frames skipped
    EXPECT_EQ(frameNumberAt(*reader, 60.0), 9); // after the end: the last one
    // Back in time: read again from the start.
    EXPECT_EQ(frameNumberAt(*reader, 0.45), 2);
    EXPECT_EQ(qGreen(reader->frameAtTime(0.45, &error).pixel(0, 0)), 255); // the top half

    std::unique_ptr<MovieFrameReader> upwards = MovieFrameReader::open(mMovie, &error, true);
    ASSERT_TRUE(upwards);
    const QImage bottomFirst = upwards->frameAtTime(0.0, &error);
    EXPECT_EQ(qGreen(bottomFirst.pixel(0, 0)), 0);
    EXPECT_EQ(qGreen(bottomFirst.pixel(0, 7)), 255);

    // Files without pictures are refused.
    error.clear();
    EXPECT_FALSE(MovieFrameReader::open(mFolder.filePath(QStringLiteral("missing.mov")), &error));
    EXPECT_FALSE(error.isEmpty());
    const QString sound = mFolder.filePath(QStringLiteral("sound.wav"));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "sine=duration=0.5", sound}));
    error.clear();
    EXPECT_FALSE(MovieFrameReader::open(sound, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no video track"))) << error.toStdString();
}

TEST_F(MovieFrameReaderTest, SoundSamplesStopAtTheLengthAskedFor) {
    QString error;
    const std::optional<SoundSamples> half = QTReadSoundSamples(mMovie, 0.5, &error);
    ASSERT_TRUE(half) << error.toStdString();
    EXPECT_EQ(half->sampleRate, 8000);
    ASSERT_EQ(half->channels.size(), 1u);
    EXPECT_EQ(half->frameCount(), 4001u);
    // The 100 Hz sine at 1/8 of full scale, sample for sample.
    EXPECT_NEAR(half->channels[0][20], 0.125 * std::sin(2.0 * M_PI * 100.0 * 20 / 8000), 1e-3);
    const std::optional<SoundSamples> all = QTReadSoundSamples(mMovie, 30.0, &error);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->frameCount(), 8000u);
    EXPECT_FALSE(QTReadSoundSamples(mFolder.filePath(QStringLiteral("missing.wav")), 1, &error));
}

} // namespace
