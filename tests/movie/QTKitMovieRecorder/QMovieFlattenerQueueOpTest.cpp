#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "movie/QTKitMovieRecorder/FlattenerFixtures.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumenreel::test;

namespace {

struct SoundSource {
    const char* name;
    QStringList encode; // ffmpeg output arguments before the file name
    const char* extension;
    const char* resultCodec; // the first track's codec in the final movie
    const char* resultType;  // and its kind
};

void PrintTo(const SoundSource& source, std::ostream* out) {
    *out << source.name;
}

const QString kMadeWith = QStringLiteral("Made with Pixmoth");

class FlattenerTest : public ::testing::Test {
protected:
    NSAutoreleasePool pool;
    QTemporaryDir folder;
    NSRef<RecordingFlattenerDelegate> delegate = NSAdopt(new RecordingFlattenerDelegate);

    QString file(const QString& name) const { return folder.filePath(name); }

    // A flattener of the video `video` and `sound` into `movie`, reporting to the delegate.
    QMovieFlattenerQueueOp* flattener(const QString& movie, const QString& video,
                                      const QString& sound = QString()) {
        QMovieFlattenerQueueOp* operation =
            QMovieFlattenerQueueOp::movieFlattenerWithMovieFileName(movie, sound, video);
        operation->setDelegate(delegate.get());
        return operation;
    }

    // Records the 1-second video source and runs a flattener over it and `sound`.
    void flatten(const QString& sound) {
        ASSERT_TRUE(recordVideoMovie(file("Clouds.qt"), 30));
        QMovieFlattenerQueueOp* operation = flattener(file("Clouds.mov"), file("Clouds.qt"), sound);
        operation->setMadeWithMetaData(kMadeWith);
        operation->setTempFileName(file("Clouds.MooV"));
        ASSERT_TRUE(runOnQueueThread(operation, delegate.get()));
        EXPECT_TRUE(delegate->onMainThread);
        EXPECT_FALSE(QFile::exists(file("Clouds.MooV")));
    }

    static void expectVideoTrack(const InspectedTrack& track) {
        EXPECT_EQ(track.mediaType, "video");
        EXPECT_EQ(track.codec, "qtrle");
        EXPECT_EQ(track.startTime, 0);
        EXPECT_DOUBLE_EQ(track.seconds, 1.0);
        EXPECT_EQ(track.packetPts.size(), 30);
    }
};

class FlattenerMatrixTest : public FlattenerTest,
                            public ::testing::WithParamInterface<std::tuple<SoundSource, double>> {
};

} // namespace

TEST_P(FlattenerMatrixTest, SoundFirstThenVideoBothFromZero) {
    const auto& [source, seconds] = GetParam();
    const QString sound = file(QStringLiteral("sound.") + source.extension);
    QStringList arguments = source.encode;
    ASSERT_TRUE(runFfmpeg(arguments.replaceInStrings("%D", QString::number(seconds)) << sound));
    flatten(sound);
    EXPECT_TRUE(delegate->succeeded);

    const InspectedMovie movie = inspectMovie(file("Clouds.mov"));
    ASSERT_TRUE(movie.opened);
    EXPECT_EQ(movie.majorBrand, "qt  ");
    EXPECT_EQ(movie.copyright, kMadeWith);
    ASSERT_EQ(movie.tracks.size(), 2);
    const InspectedTrack& first = movie.tracks[0];
    EXPECT_EQ(first.mediaType, source.resultType);
    EXPECT_EQ(first.codec, source.resultCodec);
    ASSERT_FALSE(first.packetPts.isEmpty());
    EXPECT_NEAR(double(first.startTime) * first.timeBaseNum / first.timeBaseDen, 0.0, 0.001);
    EXPECT_NEAR(first.seconds, seconds, 0.06);
    expectVideoTrack(movie.tracks[1]);
    // The video source was this run's intermediate; the user's sound stays.
    EXPECT_FALSE(QFile::exists(file("Clouds.qt")));
    EXPECT_TRUE(QFile::exists(sound));
}

// A 440 Hz sine of the test's length, in `codec` (the container's own when empty), then `more`.
QStringList sineIn(const char* codec, const QStringList& more = {}) {
    QStringList arguments{"-f", "lavfi", "-i", "sine=frequency=440:duration=%D"};
    arguments << more;
    if (*codec)
        arguments << "-c:a" << codec;
    return arguments;
}

const SoundSource kSources[] = {
    {"AacM4a", sineIn("aac"), "m4a", "aac", "audio"},
    {"Mp3", sineIn("libmp3lame"), "mp3", "mp3", "audio"},
    {"PcmWav", sineIn("pcm_s16le"), "wav", "pcm_s16le", "audio"},
    {"Flac", sineIn(""), "flac", "aac", "audio"},
    {"OggVorbis", sineIn("libvorbis"), "ogg", "aac", "audio"},
    {"Opus", sineIn("libopus"), "opus", "aac", "audio"},
    {"VideoFirst",
     {"-f", "lavfi", "-i", "testsrc=size=32x24:rate=10:duration=%D", "-f", "lavfi", "-i",
      "sine=duration=%D", "-map", "0", "-map", "1", "-c:v", "mpeg4", "-c:a", "aac"},
     "mov",
     "mpeg4",
     "video"},
    {"SeveralTracks",
     sineIn("aac",
            {"-f", "lavfi", "-i", "sine=frequency=880:duration=0.3", "-map", "0", "-map", "1"}),
     "mov", "aac", "audio"},
};

INSTANTIATE_TEST_SUITE_P(Sources, FlattenerMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(kSources),
                                            ::testing::Values(2.0, 0.5)),
                         [](const auto& testCase) {
                             return std::string(std::get<0>(testCase.param).name) +
                                    (std::get<1>(testCase.param) > 1.0 ? "Longer" : "Shorter");
                         });

TEST_F(FlattenerTest, AnUnreadableSoundFailsAndKeepsTheVideoAndAnEarlierMovie) {
    ASSERT_TRUE(writeFile(file("Clouds.mov"), "an earlier movie"));
    ASSERT_TRUE(writeFile(file("noise.wav"), QByteArray(1000, 'x')));

    flatten(file("noise.wav"));
    EXPECT_FALSE(delegate->succeeded);
    EXPECT_EQ(delegate->calls, 1);
    EXPECT_EQ(contentsOf(file("Clouds.mov")), "an earlier movie");
    EXPECT_EQ(inspectMovie(file("Clouds.qt")).tracks.value(0).packetPts.size(), 30);
}

TEST_F(FlattenerTest, WithoutSoundTheVideoIsWrittenAloneByWayOfItsTemporaryName) {
    ASSERT_TRUE(recordVideoMovie(file("Clouds.qt"), 30));
    QMovieFlattenerQueueOp* operation = flattener(file("a.b.mov"), file("Clouds.qt"));
    EXPECT_EQ(operation->tempFileName(), file("a.b.QMovieFlattenerQueueOp"));
    EXPECT_FALSE(operation->succeeded());
    operation->setTempFileName(file("Clouds.MooV"));
    EXPECT_FALSE(QFile::exists(file("a.b.QMovieFlattenerQueueOp")));
    ASSERT_TRUE(runOnQueueThread(operation, delegate.get()));
    EXPECT_TRUE(delegate->succeeded);
    const InspectedMovie movie = inspectMovie(file("a.b.mov"));
    // Without made-with metadata the result has no copyright of its own.
    EXPECT_FALSE(movie.hasCopyright);
    ASSERT_EQ(movie.tracks.size(), 1);
    expectVideoTrack(movie.tracks[0]);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.b.mov"});
}

TEST_F(FlattenerTest, AMissingOrEmptyVideoWritesNoFinalMovie) {
    ASSERT_TRUE(
        runOnQueueThread(flattener(file("Clouds.mov"), file("missing.qt")), delegate.get()));
    EXPECT_FALSE(delegate->succeeded);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // A video movie without frames is kept.
    ASSERT_TRUE(recordVideoMovie(file("Clouds.qt"), 0));
    QMovieFlattenerQueueOp* operation = flattener(file("Clouds.mov"), file("Clouds.qt"));
    ASSERT_NE(operation->videoMovie(), nullptr);
    ASSERT_TRUE(runOnQueueThread(operation, delegate.get()));
    EXPECT_FALSE(delegate->succeeded);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Clouds.qt"});
}
