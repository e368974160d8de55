#include "platform/qtkit/SoundReader.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/SoundSamples.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using lumenreel::test::runFfmpeg;

constexpr int kRate = 22050;
constexpr int kSeconds = 30;
constexpr std::int64_t kWindow = 2048;

// Two different channels of noise and tones, so that a sample out of place shows.
const char* const kSignal =
    "aevalsrc=0.3*sin(440*2*PI*t)+0.2*random(0)|0.4*sin(97*2*PI*t)-0.1*random(1)"
    ":s=22050:d=30";

class SoundReaderTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        const QString suffix = QString::fromLatin1(GetParam());
        mPath = mFolder.filePath(QStringLiteral("sound.") + suffix);
        const char* codec = suffix == u"flac" ? "flac" : suffix == u"wav" ? "pcm_s16le" : "aac";
        ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", kSignal, "-c:a", codec, mPath}));
        QString error;
        const std::optional<SoundSamples> whole = QTReadSoundSamples(mPath, 3600, &error);
        ASSERT_TRUE(whole) << error.toStdString();
        mWhole = *whole;
        ASSERT_EQ(mWhole.channels.size(), 2u);
        ASSERT_GT(mWhole.frameCount(), std::size_t(kSeconds - 1) * kRate);
    }

    // Sample `index` of `channel` as `sound` holds it: silence outside what it holds.
    static float held(const SoundSamples& sound, std::size_t channel, std::int64_t index) {
        const std::int64_t at = index - sound.first;
        const std::vector<float>& samples = sound.channels[channel];
        return at >= 0 && at < static_cast<std::int64_t>(samples.size())
                   ? samples[static_cast<std::size_t>(at)]
                   : 0.0f;
    }

    // Holds the window that ends at `end` and checks it against the whole track's decoding, sample
    // for sample; the reader holds little more than the window.
    void expectWindow(SoundReader& reader, std::int64_t end) {
        QString error;
        ASSERT_TRUE(reader.hold(end - kWindow, end, &error)) << error.toStdString();
        const SoundSamples& sound = reader.samples();
        EXPECT_LE(sound.first, std::max<std::int64_t>(0, end - kWindow));
        int wrong = 0;
        for (std::size_t c = 0; c < 2; ++c)
            for (std::int64_t i = std::max<std::int64_t>(0, end - kWindow); i < end; ++i)
                wrong += held(sound, c, i) != held(mWhole, c, i) ? 1 : 0;
        EXPECT_EQ(wrong, 0) << "window ending at sample " << end;
        EXPECT_LE(reader.heldSampleCount(), std::size_t(kWindow + 16384));
    }

    QTemporaryDir mFolder;
    QString mPath;
    SoundSamples mWhole;
};

TEST_P(SoundReaderTest, GivesTheSamplesOfTheWholeTrackFromAnywhereHoldingOnlyTheWindow) {
    QString error;
    std::unique_ptr<SoundReader> reader = SoundReader::open(mPath, &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_EQ(reader->sampleRate(), kRate);
    EXPECT_EQ(reader->channelCount(), 2);
    // Frame by frame at 25 fps, past the track's end.
    for (std::int64_t frame = 0; frame <= 25 * (kSeconds + 1); ++frame)
        expectWindow(*reader, frame * kRate / 25);
    EXPECT_EQ(reader->repositionCount(), 0);

    // Starts anywhere and goes back with the same samples: a range of frames from 20 s on, as a
    // farm task renders it.
    std::unique_ptr<SoundReader> range = SoundReader::open(mPath, &error);
    ASSERT_TRUE(range) << error.toStdString();
    for (std::int64_t frame = 500; frame < 520; ++frame)
        expectWindow(*range, frame * kRate / 25);
    // Back to the start, then a jump ahead, then the window just before the one held.
    expectWindow(*range, 100);
    expectWindow(*range, 5 * kRate + 17);
    expectWindow(*range, 25 * kRate);
    expectWindow(*range, 25 * kRate - 1000);
    EXPECT_GE(range->repositionCount(), 2);
    // Lossless tracks seek; others are read again from the start.
    EXPECT_EQ(range->seeksExactly(), QByteArray(GetParam()) != "m4a");
}

INSTANTIATE_TEST_SUITE_P(Formats, SoundReaderTest, ::testing::Values("flac", "wav", "m4a"));

TEST(SoundReaderFailureTest, RefusesFilesWithoutSound) {
    QTemporaryDir folder;
    QString error;
    EXPECT_FALSE(SoundReader::open(folder.filePath(QStringLiteral("missing.flac")), &error));
    EXPECT_FALSE(error.isEmpty());
    const QString movie = folder.filePath(QStringLiteral("silent.mov"));
    ASSERT_TRUE(
        runFfmpeg({"-f", "lavfi", "-i", "color=size=8x8:duration=0.2", "-c:v", "qtrle", movie}));
    EXPECT_FALSE(SoundReader::open(movie, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no sound track"))) << error.toStdString();
}

} // namespace
