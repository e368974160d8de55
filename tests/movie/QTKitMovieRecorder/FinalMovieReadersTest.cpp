// One final movie, made the way a render job makes it, read by players' probes that this project
// did not write: mediainfo and GStreamer's discoverer.

#include "movie/QTKitMovieRecorder/FlattenerFixtures.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "platform/qtkit/MovieInspector.h"

#include "common/RunChild.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumenreel::test;

namespace {

// What one reader says about one track, in file order.
struct TrackReport {
    QString kind;  // "audio" or "video"
    QString codec; // the sound's in the names of this project: "aac"
    double seconds = -1;
};

QList<TrackReport> mediainfoTracks(const QString& path, QString* copyright) {
    const QJsonObject root =
        QJsonDocument::fromJson(childOutput("mediainfo", {"--Output=JSON", path}).toUtf8())
            .object();
    QMap<int, TrackReport> byOrder;
    for (const QJsonValue& value : root["media"].toObject()["track"].toArray()) {
        const QJsonObject track = value.toObject();
        const QString type = track["@type"].toString();
        if (type == "General") {
            *copyright = track["Copyright"].toString();
            continue;
        }
        const QString format = track["Format"].toString();
        const QString codec = format == "AAC" ? "aac" : format;
        byOrder.insert(track["StreamOrder"].toString().toInt(),
                       {type.toLower(), codec, track["Duration"].toString().toDouble()});
    }
    return byOrder.values();
}

// The discoverer names streams by caps and reports one duration for the whole movie.
QList<TrackReport> discovererTracks(const QString& path, double* seconds) {
    const QString text = childOutput("gst-discoverer-1.0", {"-v", path});
    const QRegularExpression duration(R"(Duration: (\d+):(\d+):(\d+\.\d+))");
    const QRegularExpressionMatch found = duration.match(text);
    *seconds = found.hasMatch()
                   ? found.captured(1).toDouble() * 3600 + found.captured(2).toDouble() * 60 +
                         found.captured(3).toDouble()
                   : -1;
    QList<TrackReport> tracks;
    const QRegularExpression stream(R"((audio|video) #(\d+): ([^,\n]+)([^\n]*))");
    for (auto it = stream.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString codec = match.captured(3);
        if (codec == "audio/mpeg" && match.captured(4).contains("mpegversion=(int)4"))
            codec = "aac";
        tracks.append({match.captured(1), codec, -1});
    }
    return tracks;
}

} // namespace

TEST(FinalMovieReadersTest, OtherReadersAgreeOnTracksCodecsAndDurations) {
    NSAutoreleasePool pool;
    QTemporaryDir folder;
    const QString sound = folder.filePath("sound.ogg");
    ASSERT_TRUE(runFfmpeg(
        {"-f", "lavfi", "-i", "sine=frequency=330:duration=2.5", "-c:a", "libvorbis", sound}));
    ASSERT_TRUE(recordVideoMovie(folder.filePath("Clouds.qt"), 45));
    NSRef<RecordingFlattenerDelegate> delegate = NSAdopt(new RecordingFlattenerDelegate);
    QMovieFlattenerQueueOp* operation = QMovieFlattenerQueueOp::movieFlattenerWithMovieFileName(
        folder.filePath("Clouds.mov"), sound, folder.filePath("Clouds.qt"));
    operation->setDelegate(delegate.get());
    operation->setMadeWithMetaData("Made with Pixmoth");
    operation->setTempFileName(folder.filePath("Clouds.MooV"));
    ASSERT_TRUE(runOnQueueThread(operation, delegate.get()));
    ASSERT_TRUE(delegate->succeeded);
    const QString movie = folder.filePath("Clouds.mov");

    // libavformat's view, which ffprobe shares, is the flattener's own tests' (and the reference
    // for the lengths here); the render tool's delivery format tests run ffprobe itself.
    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_EQ(inspected.tracks.size(), 2);
    QString infoCopyright;
    double discovererSeconds = 0;
    const QList<TrackReport> info = mediainfoTracks(movie, &infoCopyright);
    const QList<TrackReport> discovered = discovererTracks(movie, &discovererSeconds);

    EXPECT_EQ(infoCopyright, "Made with Pixmoth");
    // The Animation video as these readers see it is pinned by the render tool's delivery format
    // tests; here, the sound converted to AAC ahead of it.
    for (const QList<TrackReport>* tracks : {&info, &discovered}) {
        ASSERT_EQ(tracks->size(), 2);
        EXPECT_EQ((*tracks)[0].kind, "audio");
        EXPECT_EQ((*tracks)[0].codec, "aac");
    }
    // Sound 2.5 s, pictures 45 frames of 1/30 s.
    const double soundSeconds = inspected.tracks[0].seconds;
    EXPECT_NEAR(soundSeconds, 2.5, 0.05);
    EXPECT_NEAR(info[0].seconds, soundSeconds, 0.03);
    EXPECT_NEAR(discovererSeconds, std::max(soundSeconds, inspected.tracks[1].seconds), 0.03);
}
