#include "common/LogCapture.h"
#include "common/NSImageOf.h"
#include "platform/foundation/NSError.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <thread>

using namespace lumenreel::test;

namespace {

class QTMovieEditingTest : public ::testing::Test {
protected:
    NSAutoreleasePool pool;
    QTemporaryDir folder;

    QString file(const QString& name) const { return folder.filePath(name); }

    // Two seconds of sound then one of pictures, or the other way round.
    QString makeMovie(const QString& name, bool soundFirst) {
        const QString path = file(name);
        QStringList inputs{"-f", "lavfi", "-i", "sine=frequency=440:duration=2",
                           "-f", "lavfi", "-i", "testsrc=size=32x24:rate=10:duration=1"};
        QStringList maps = soundFirst ? QStringList{"-map", "0", "-map", "1"}
                                      : QStringList{"-map", "1", "-map", "0"};
        EXPECT_TRUE(
            runFfmpeg(inputs + maps + QStringList{"-c:a", "pcm_s16le", "-c:v", "mpeg4", path}));
        return path;
    }
};

} // namespace

TEST_F(QTMovieEditingTest, UnreadableFilesGiveNoMovieAndAnError) {
    ASSERT_TRUE(writeFile(file("garbage.mov"), QByteArray(4096, '\x17')));
    for (const QString& path : {file("garbage.mov"), file("missing.mov"), QString()}) {
        NSError* error = nullptr;
        EXPECT_EQ(QTMovie::movieWithFile(path, &error), nullptr) << path.toStdString();
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->domain(), QTKitErrorDomain);
    }
}

TEST_F(QTMovieEditingTest, ReferenceMovieIsASmallDescriptionThatOpensAndFlattens) {
    NSError* error = nullptr;
    QTMovie* first = QTMovie::movieWithFile(makeMovie("a.mov", true), &error);
    QTMovie* second = QTMovie::movieWithFile(makeMovie("b.mov", false), &error);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(error, nullptr);
    // Tracks come in file order, each with its own range.
    ASSERT_EQ(first->tracks().size(), 2);
    ASSERT_EQ(second->tracks().size(), 2);
    const QTTrack* sound = first->tracks()[0];
    const QTTrack* video = second->tracks()[0];
    EXPECT_EQ(sound->mediaType(), QTMediaTypeSound);
    EXPECT_EQ(video->mediaType(), QTMediaTypeVideo);
    EXPECT_NEAR(
        QTTimeInSeconds(QTTimeRangeValue(sound->attributeForKey(QTTrackRangeAttribute)).duration),
        2.0, 0.01);
    EXPECT_NEAR(QTTimeInSeconds(video->range().duration), 1.0, 0.01);
    EXPECT_EQ(video->range().time.timeValue, 0);
    EXPECT_NEAR(QTTimeInSeconds(second->duration()), 2.0, 0.01);
    NSRef<QTMovie> reference = NSAdopt(QTMovie::initToWritableFile(file("ref.MooV"), nullptr));
    ASSERT_TRUE(reference);
    reference->setAttribute(QStringLiteral("Made with Pixmoth"), QTMovieCopyrightAttribute);
    // The sound of the first movie from 0, the pictures of the second from one second on.
    ASSERT_NE(reference->insertSegmentOfTrack(
                  first->tracks()[0], QTMakeTimeRange(QTZeroTime, first->duration()), QTZeroTime),
              nullptr);
    QTTrack* late = reference->insertSegmentOfTrack(
        second->tracks()[0], QTMakeTimeRange(QTZeroTime, second->duration()), QTMakeTime(1, 1));
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(QTTimeCompare(late->range().time, QTMakeTime(1, 1)), 0);
    EXPECT_NEAR(QTTimeInSeconds(reference->duration()), 2.0, 0.01);
    ASSERT_TRUE(reference->updateMovieFile());
    EXPECT_LT(QFileInfo(file("ref.MooV")).size(), 2000);

    QTMovie* reopened = QTMovie::movieWithFile(file("ref.MooV"), nullptr);
    ASSERT_NE(reopened, nullptr);
    ASSERT_EQ(reopened->tracks().size(), 2);
    // Flattened from the reopened description: its track order and copyright are the file's.
    ASSERT_TRUE(reopened->writeToFile(file("flat.mov"), {{QTMovieFlatten, true}}, &error));
    const InspectedMovie flat = inspectMovie(file("flat.mov"));
    ASSERT_EQ(flat.tracks.size(), 2);
    EXPECT_EQ(flat.copyright, "Made with Pixmoth");
    EXPECT_EQ(flat.tracks[0].mediaType, "audio");
    EXPECT_EQ(flat.tracks[0].codec, "pcm_s16le");
    EXPECT_NEAR(flat.tracks[0].seconds, 2.0, 0.01);
    EXPECT_EQ(flat.tracks[1].mediaType, "video");
    EXPECT_EQ(flat.tracks[1].codec, "mpeg4");
    ASSERT_FALSE(flat.tracks[1].packetPts.isEmpty());
    EXPECT_NEAR(double(flat.tracks[1].packetPts[0]) * flat.tracks[1].timeBaseNum /
                    flat.tracks[1].timeBaseDen,
                1.0, 0.001);
}

TEST_F(QTMovieEditingTest, AFailedFlatteningLeavesAnEarlierMovieAndNoTemporaryFile) {
    const QString source = makeMovie("gone.mov", true);
    QTMovie* movie = QTMovie::movieWithFile(source, nullptr);
    ASSERT_NE(movie, nullptr);
    NSRef<QTMovie> reference = NSAdopt(QTMovie::initToWritableFile(file("ref.MooV"), nullptr));
    ASSERT_NE(reference->insertSegmentOfTrack(
                  movie->tracks()[0], QTMakeTimeRange(QTZeroTime, movie->duration()), QTZeroTime),
              nullptr);
    ASSERT_TRUE(writeFile(file("final.mov"), "an earlier movie"));
    // A format that is no delivery format fails, rather than being written as some other one.
    EXPECT_FALSE(reference->writeToFile(
        file("final.mov"), {{QTMovieFlatten, true}, {QTMovieExportVideoFormat, "gif"}}, nullptr));
    EXPECT_TRUE(reference->lastErrorDescription().contains("there is no delivery format gif"));
    ASSERT_TRUE(QFile::remove(source));

    NSError* error = nullptr;
    EXPECT_FALSE(reference->writeToFile(file("final.mov"), {{QTMovieFlatten, true}}, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(contentsOf(file("final.mov")), "an earlier movie");
    const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, (QStringList{"final.mov", "ref.MooV"}));
}

TEST_F(QTMovieEditingTest, AMovieHoldsEitherImagesOrSegments) {
    QTMovie* source = QTMovie::movieWithFile(makeMovie("s.mov", true), nullptr);
    NSRef<QTMovie> images = NSAdopt(QTMovie::initToWritableFile(file("i.mov"), nullptr));
    NSRef<NSImage> image = imageOf(makeTestPicture(8, 8, 0));
    ASSERT_TRUE(images->addImage(image.get(), QTMakeTime(20, 600), {}));
    const QTTimeRange all = QTMakeTimeRange(QTZeroTime, source->duration());
    EXPECT_EQ(images->insertSegmentOfTrack(source->tracks()[0], all, QTZeroTime), nullptr);

    NSRef<QTMovie> reference = NSAdopt(QTMovie::initToWritableFile(file("r.MooV"), nullptr));
    ASSERT_NE(reference->insertSegmentOfTrack(source->tracks()[0], all, QTZeroTime), nullptr);
    EXPECT_FALSE(reference->addImage(image.get(), QTMakeTime(20, 600), {}));
    EXPECT_EQ(reference->insertSegmentOfTrack(nullptr, all, QTZeroTime), nullptr);
    EXPECT_FALSE(source->updateMovieFile()); // opened movies are read-only
}

TEST_F(QTMovieEditingTest, AMovieWorksOnlyOnTheThreadItIsAttachedTo) {
    NSRef<QTMovie> movie = NSAdopt(QTMovie::initToWritableFile(file("t.MooV"), nullptr));
    LogCapture log;
    bool usedElsewhere = true;
    std::thread([&] { usedElsewhere = movie->updateMovieFile(); }).join();
    EXPECT_FALSE(usedElsewhere);
    EXPECT_TRUE(log.text().contains("is not attached to this thread")) << log.text().toStdString();

    ASSERT_TRUE(movie->detachFromCurrentThread());
    EXPECT_FALSE(movie->updateMovieFile()); // detached: no thread may use it
    // Attached without entering, attached, updated, detached.
    std::array<bool, 4> steps{};
    std::thread([&] {
        steps[0] = movie->attachToCurrentThread();
        QTMovie::enterQTKitOnThread();
        steps[1] = movie->attachToCurrentThread();
        steps[2] = movie->updateMovieFile();
        steps[3] = movie->detachFromCurrentThread();
        QTMovie::exitQTKitOnThread();
    }).join();
    EXPECT_EQ(steps, (std::array{false, true, true, true}));
    ASSERT_TRUE(movie->attachToCurrentThread());
    EXPECT_TRUE(movie->updateMovieFile());
}
