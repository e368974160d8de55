#include "platform/foundation/NSError.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"

#include "common/NSImageOf.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumenreel::test;

namespace {

const QVariantMap kAnimation{{QTAddImageCodecType, QTCodecTypeAnimation},
                             {QTAddImageCodecQuality, qlonglong(1024)}};

struct Recording {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("movie.mov"));
    NSRef<QTMovie> movie = NSAdopt(QTMovie::initToWritableFile(path, nullptr));

    Recording() {
        EXPECT_TRUE(movie);
        movie->setAttribute(true, QTMovieEditableAttribute);
        movie->setAttribute(QStringLiteral("Made with Pixmoth"), QTMovieCopyrightAttribute);
    }
};

} // namespace

TEST(QTMovieWritingTest, ImagesRoundTripExactlyWithTheirDurations) {
    Recording recording;
    const QList<std::int64_t> durations{20, 1, 7, 600, 20, 13, 20, 21, 3, 40, 20, 20, 20, 5};
    QList<QImage> pictures;
    QList<std::int64_t> starts;
    for (int index = 0; index < durations.size(); ++index) {
        pictures.append(makeTestPicture(33, 17, index % 5 == 4 ? index - 1 : index));
        starts.append(index == 0 ? 0 : starts.last() + durations[index - 1]);
        ASSERT_TRUE(recording.movie->addImage(imageOf(pictures.last()).get(),
                                              QTMakeTime(durations[index], 600), kAnimation));
        ASSERT_TRUE(recording.movie->updateMovieFile());
    }
    EXPECT_EQ(recording.movie->duration().timeValue, 810);
    EXPECT_EQ(recording.movie->duration().timeScale, 600);
    recording.movie.reset();

    const InspectedMovie movie = inspectMovie(recording.path);
    ASSERT_TRUE(movie.opened) << movie.error.toStdString();
    EXPECT_EQ(movie.majorBrand, "qt  ");
    EXPECT_EQ(movie.copyright, "Made with Pixmoth");
    ASSERT_EQ(movie.tracks.size(), 1);
    const InspectedTrack& track = movie.tracks.first();
    EXPECT_EQ(track.codec, "qtrle");
    EXPECT_EQ(QSize(track.width, track.height), QSize(33, 17));
    EXPECT_EQ(std::pair(track.timeBaseNum, track.timeBaseDen), std::pair(1, 600));
    EXPECT_EQ(track.packetPts, starts);
    EXPECT_EQ(track.packetDurations, durations);
    EXPECT_TRUE(decodeVideoFrames(recording.path, 0) == pictures);
}

TEST(QTMovieWritingTest, RefusesImagesItCannotRecordAndConvertsOtherScales) {
    Recording recording;
    EXPECT_FALSE(recording.movie->addImage(nullptr, QTMakeTime(20, 600), kAnimation));
    NSRef<NSImage> empty = NSAdopt(new NSImage(QSizeF(8, 8)));
    EXPECT_FALSE(recording.movie->addImage(empty.get(), QTMakeTime(20, 600), kAnimation));
    NSRef<NSImage> picture = imageOf(makeTestPicture(16, 16, 1));
    EXPECT_FALSE(recording.movie->addImage(picture.get(), QTMakeTime(20, 600),
                                           {{QTAddImageCodecType, QStringLiteral("jpeg")}}));
    EXPECT_FALSE(recording.movie->addImage(picture.get(), QTMakeTime(0, 600), kAnimation));
    ASSERT_TRUE(recording.movie->addImage(picture.get(), QTMakeTime(20, 600), kAnimation));
    // Every frame has the first frame's size; the copyright is already in the file.
    EXPECT_FALSE(recording.movie->addImage(imageOf(makeTestPicture(17, 16, 1)).get(),
                                           QTMakeTime(20, 600), kAnimation));
    EXPECT_FALSE(recording.movie->setAttribute(QStringLiteral("other"), QTMovieCopyrightAttribute));
    // Durations at other scales are converted to six-hundredths.
    ASSERT_TRUE(recording.movie->addImage(picture.get(), QTMakeTime(1, 30), kAnimation));
    ASSERT_TRUE(recording.movie->addImage(picture.get(), QTMakeTime(1, 1), kAnimation));
    ASSERT_TRUE(recording.movie->updateMovieFile());
    EXPECT_EQ(recording.movie->duration().timeValue, 640);
    recording.movie.reset();
    EXPECT_EQ(inspectMovie(recording.path).tracks.value(0).packetDurations,
              (QList<std::int64_t>{20, 20, 600}));
}

TEST(QTMovieWritingTest, CannotCreateAMovieWhereNoFileCanBeMade) {
    NSAutoreleasePool pool;
    NSError* error = nullptr;
    EXPECT_EQ(QTMovie::initToWritableFile(QStringLiteral("/nonexistent-folder/x.mov"), &error),
              nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), QTKitErrorDomain);
    EXPECT_TRUE(error->localizedDescription().contains("/nonexistent-folder/x.mov"));
    error = nullptr;
    EXPECT_EQ(QTMovie::initToWritableFile(QString(), &error), nullptr);
    EXPECT_NE(error, nullptr);
}
