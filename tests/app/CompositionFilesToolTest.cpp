// lumenreel-render and the files around a composition: a refused job is one line on standard
// error with its exit status, whichever action read the composition; large still images render;
// and a job that rendered no frame leaves nothing in the Trash.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace lumenreel::test;

constexpr const char* kPassThrough = R"(/*{
  "ISFVSN": "2", "CATEGORIES": ["Filter"],
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() { gl_FragColor = IMG_NORM_PIXEL(inputImage, vec2(0.5)); }
)";

class CompositionFilesToolTest : public RenderToolTest {
protected:
    QString picture(const QString& name, QSize size, QColor colour = Qt::red) {
        return writePicture(mHome.filePath(name), size, colour);
    }

    QStringList trash() const { return entries(mTool->trashFolder()); }
};

// A shader from elsewhere cannot put the user's own pictures into the movie; the user can. A
// refused job is one line with its exit status, from --list-inputs as from a render, and writes
// nothing.
TEST_F(CompositionFilesToolTest, PicturesOutsideTheCompositionsFolderAreTheUsersToGive) {
    const QString secret = picture(QStringLiteral("private.png"), QSize(4, 4));
    const QString stealing = writeFile(
        QStringLiteral("downloads/Steal.fs"),
        "/*{ \"ISFVSN\": \"2\", \"IMPORTED\": { \"pic\": { \"PATH\": \"../private.png\" } } "
        "}*/\nvoid main() { gl_FragColor = IMG_NORM_PIXEL(pic, vec2(0.5)); }\n");
    const QString filter = writeFile(QStringLiteral("downloads/Filter.fs"), kPassThrough);
    const QString outside = QStringLiteral(
        "imported image \"pic\": \"../private.png\" is outside the composition's folder");
    for (const auto& [arguments, status, reason] :
         {std::tuple{QStringList{"--list-inputs", stealing}, 1, outside},
          std::tuple{QStringList{"--output", mOutput, stealing}, 1, outside},
          std::tuple{QStringList{"--set", "inputImage=1", "--output", mOutput, filter}, 2,
                     QStringLiteral("takes a file, not a value")}}) {
        const ToolRun run = mTool->run(arguments);
        EXPECT_EQ(run.status, status) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        // One line: the log's own account of the refusal stays off the terminal.
        EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    }
    EXPECT_TRUE(entries(mOutput).isEmpty());
    EXPECT_TRUE(trash().isEmpty());

    const ToolRun given = mTool->run({"--size", "8x8", "--duration", "0", "--input",
                                      "inputImage=" + secret, "--output", mOutput, filter});
    EXPECT_EQ(given.status, 0) << given.err.toStdString();
}

// A still image of 8192 x 8192 pixels is 256 MB decoded, past the 128 MB that Qt alone reads.
TEST_F(CompositionFilesToolTest, AStillImageOf256MegabytesRenders) {
    const QString filter = writeFile(QStringLiteral("Filter.fs"), kPassThrough);
    const QString large = picture(QStringLiteral("large.png"), QSize(8192, 8192), Qt::blue);
    const ToolRun run = mTool->run({"--size", "8x8", "--duration", "0", "--input",
                                    "inputImage=" + large, "--output", mOutput, filter});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

// A movie given to an input whose pictures cannot be decoded fails the job at its first frame:
// a recording without a frame recovers nothing, so nothing goes to the Trash.
TEST_F(CompositionFilesToolTest, AJobThatRenderedNoFramePutsNothingInTheTrash) {
    const QString movie = mHome.filePath(QStringLiteral("broken.mov"));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "color=red:size=16x16:rate=5", "-frames:v", "5",
                           "-c:v", "png", "-movflags", "+faststart", movie}));
    // Every byte of the pictures spoilt; the movie's description stays readable.
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    qsizetype box = 0;
    while (box + 8 <= bytes.size() && bytes.mid(box + 4, 4) != "mdat") {
        const auto size = qFromBigEndian<quint32>(bytes.constData() + box);
        ASSERT_GE(size, 8u);
        box += size;
    }
    ASSERT_LT(box + 8, bytes.size());
    bytes.replace(box + 8, bytes.size() - box - 8, QByteArray(bytes.size() - box - 8, '\xff'));
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    const QString filter = writeFile(QStringLiteral("Plain.fs"), kPassThrough);
    const ToolRun run = mTool->run({"--size", "8x8", "--duration", "1", "--input",
                                    "inputImage=" + movie, "--output", mOutput, filter});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.trimmed().endsWith(QStringLiteral("nothing was kept")))
        << run.err.toStdString();
    EXPECT_TRUE(trash().isEmpty()) << trash().join(' ').toStdString();
    EXPECT_TRUE(entries(mOutput).isEmpty());
    EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty());
}

} // namespace
