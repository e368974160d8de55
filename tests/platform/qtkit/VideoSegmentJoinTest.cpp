// Animation pieces joined without encoding them again: every packet is decoded on the way, the
// pieces must be what the join was asked for, and a stop ends it between packets.

#include "platform/qtkit/VideoSegmentJoin.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSObject.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumenreel::test;

namespace {

class VideoSegmentJoinTest : public ::testing::Test {
protected:
    // A second of 32x24 test pictures at 30 fps, a key frame every 10, in 32-bit Animation
    // unless `options` say otherwise.
    QString piece(const QString& name,
                  const QStringList& options = {"-c:v", "qtrle", "-pix_fmt", "argb"}) {
        const QString path = mFolder.filePath(name);
        EXPECT_TRUE(runFfmpeg(
            QStringList{"-f", "lavfi", "-i", "testsrc=size=32x24:rate=30:duration=1", "-g", "10"} +
                options
            << path));
        return path;
    }
    QString output() const { return mFolder.filePath(QStringLiteral("joined.mov")); }

    // Overwrites the stored bytes of picture `index` of `movie` with 0xFF: all of them, or the
    // middle third only (its size and header intact).
    static void damage(const QString& movie, int index, bool whole = true) {
        const QByteArray picture = readStoredPackets(movie, 0).value(index).data;
        ASSERT_GT(picture.size(), 30);
        QFile file(movie);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qsizetype at = file.readAll().indexOf(picture);
        ASSERT_GT(at, 0);
        ASSERT_TRUE(file.seek(whole ? at : at + picture.size() / 3));
        file.write(QByteArray(whole ? picture.size() : picture.size() / 3, char(0xFF)));
    }

    QTVideoJoinRequirements mRequirements{32, 24, {}};
    QTemporaryDir mFolder;
};

TEST_F(VideoSegmentJoinTest, PiecesOfAnimationVideoJoinPacketForPacket) {
    const QString first = piece(QStringLiteral("a.mov"));
    const QString second = piece(QStringLiteral("b.mov"));
    QString error;
    ASSERT_TRUE(QTJoinVideoSegments({{first, 0}, {second, 30}}, mRequirements, output(), &error))
        << error.toStdString();
    EXPECT_EQ(QTVideoFrameCount(output()), 60);
    // The second piece's packets as they were, after the first piece's.
    EXPECT_TRUE(std::ranges::equal(readStoredPackets(output(), 0).mid(30),
                                   readStoredPackets(second, 0), {}, &StoredPacket::data,
                                   &StoredPacket::data));
}

TEST_F(VideoSegmentJoinTest, PiecesThatAreNotWhatTheJoinNeedsAreRefusedNamingWhy) {
    const QString good = piece(QStringLiteral("good.mov"));
    // Copied from its 4th packet on: a delta frame comes first.
    const QString cut = mFolder.filePath(QStringLiteral("cut.mov"));
    ASSERT_TRUE(runFfmpeg({"-i", good, "-ss", "0.1", "-copyinkf", "-c", "copy", cut}));
    ASSERT_FALSE(readStoredPackets(cut, 0).value(0).key);
    // A whole picture damaged, and the middle of a key frame.
    const QString damaged = piece(QStringLiteral("damaged.mov"));
    damage(damaged, 5);
    const QString damagedKey = piece(QStringLiteral("damaged-key.mov"));
    damage(damagedKey, 0, false);
    // Another codec and another size are refused by the render tool's join tests.
    const std::pair<QString, QString> cases[] = {
        {piece(QStringLiteral("rgb.mov"), {"-c:v", "qtrle", "-pix_fmt", "rgb24"}),
         "holds 24-bit Animation pictures, not 32-bit"},
        {cut, "cut.mov does not start with a key frame"},
        {damaged, "damaged.mov: frame 35 is damaged"},
        {damagedKey, "damaged-key.mov: frame 30 is damaged"},
    };
    for (const auto& [bad, reason] : cases) {
        QString error;
        EXPECT_FALSE(QTJoinVideoSegments({{good, 0}, {bad, 30}}, mRequirements, output(), &error));
        EXPECT_TRUE(error.contains(reason)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output()));
    }
}

TEST_F(VideoSegmentJoinTest, AReencodeFailsOnADamagedPictureInsteadOfDroppingIt) {
    const QString damaged = piece(QStringLiteral("damaged.mov"));
    damage(damaged, 5);
    NSAutoreleasePool pool;
    QTMovie* movie = QTMovie::movieWithFile(damaged, nullptr);
    ASSERT_NE(movie, nullptr);
    NSError* error = nullptr;
    EXPECT_FALSE(movie->writeToFile(
        output(),
        {{QTMovieFlatten, true}, {QTMovieExportVideoFormat, QStringLiteral("prores4444")}},
        &error));
    EXPECT_TRUE(movie->lastErrorDescription().contains(QStringLiteral("picture 6 is damaged")))
        << movie->lastErrorDescription().toStdString();
    EXPECT_FALSE(QFileInfo::exists(output()));
}

TEST_F(VideoSegmentJoinTest, AStopEndsTheJoinBetweenPacketsAndRemovesTheMovie) {
    const QString first = piece(QStringLiteral("a.mov"));
    const QString second = piece(QStringLiteral("b.mov"));
    int asked = 0;
    mRequirements.stopRequested = [&] {
        return ++asked > 40;
    };
    QString error;
    bool stopped = false;
    EXPECT_FALSE(
        QTJoinVideoSegments({{first, 0}, {second, 30}}, mRequirements, output(), &error, &stopped));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(asked, 41);
    EXPECT_FALSE(QFileInfo::exists(output()));
}

} // namespace
