// lumenreel-render and the files around a composition: the composition must be a regular file,
// the pictures it imports must lie in its own folder tree, still images given to its inputs are
// checked before the job, and a job that rendered no frame leaves nothing in the Trash.

#include "app/RenderToolRunner.h"
#include "common/FifoGuard.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using lumenreel::test::FifoGuard;
using lumenreel::test::RenderToolTest;
using lumenreel::test::runFfmpeg;
using lumenreel::test::ToolRun;

constexpr const char* kPassThrough = R"(/*{
  "ISFVSN": "2", "CATEGORIES": ["Filter"],
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() { gl_FragColor = IMG_NORM_PIXEL(inputImage, vec2(0.5)); }
)";

class CompositionFilesToolTest : public RenderToolTest {
protected:
    QString picture(const QString& name, QSize size, QColor colour = Qt::red) {
        return lumenreel::test::writePicture(mHome.filePath(name), size, colour);
    }

    QStringList trash() const { return entries(mTool->trashFolder()); }
};

TEST_F(CompositionFilesToolTest, AFifoAsTheCompositionIsRefusedAtOnce) {
    const QString pipe = mHome.filePath(QStringLiteral("Pipe.fs"));
    FifoGuard fifo(pipe);
    ASSERT_TRUE(fifo.isValid());
    for (const QStringList& arguments :
         {QStringList{"--list-inputs", pipe}, QStringList{"--output", mOutput, pipe}}) {
        const ToolRun run = mTool->run(arguments);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_EQ(run.err, QStringLiteral("lumenreel-render: %1: not a regular file (a pipe, "
                                          "socket or device is not read)\n")
                               .arg(pipe));
    }
    EXPECT_FALSE(fifo.rescued()) << "the tool waited on the FIFO";
    EXPECT_TRUE(entries(mOutput).isEmpty());
}

// A shader from elsewhere cannot put the user's own pictures into the movie; the user can.
TEST_F(CompositionFilesToolTest, PicturesOutsideTheCompositionsFolderAreTheUsersToGive) {
    const QString secret = picture(QStringLiteral("private.png"), QSize(4, 4));
    const QString stealing = writeFile(
        QStringLiteral("downloads/Steal.fs"),
        "/*{ \"ISFVSN\": \"2\", \"IMPORTED\": { \"pic\": { \"PATH\": \"../private.png\" } } "
        "}*/\nvoid main() { gl_FragColor = IMG_NORM_PIXEL(pic, vec2(0.5)); }\n");
    for (const QStringList& arguments :
         {QStringList{"--list-inputs", stealing}, QStringList{"--output", mOutput, stealing}}) {
        const ToolRun run = mTool->run(arguments);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        // One line: the log's own account of the refusal stays off the terminal.
        EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("imported image \"pic\": \"../private.png\" is outside the "
                           "composition's folder")))
            << run.err.toStdString();
    }
    EXPECT_TRUE(entries(mOutput).isEmpty());
    EXPECT_TRUE(trash().isEmpty());

    const QString filter = writeFile(QStringLiteral("downloads/Filter.fs"), kPassThrough);
    const ToolRun given = mTool->run({"--size", "8x8", "--duration", "0", "--input",
                                      "inputImage=" + secret, "--output", mOutput, filter});
    EXPECT_EQ(given.status, 0) << given.err.toStdString();
}

// Still images up to 16384 a side are taken (Qt alone stops at 128 MB: 8192 x 8192 is 256 MB);
// a larger one is refused before the job, with the limit, and leaves nothing anywhere.
TEST_F(CompositionFilesToolTest, StillImageInputsAreCheckedAgainstTheLimitBeforeTheJob) {
    const QString filter = writeFile(QStringLiteral("Filter.fs"), kPassThrough);
    const QString wide = picture(QStringLiteral("wide.png"), QSize(16385, 4));
    expectRefused({"--size", "8x8", "--input", "inputImage=" + wide, "--output", mOutput, filter},
                  QStringLiteral("input \"inputImage\": image \"%1\" is 16385x4 pixels, larger "
                                 "than 16384 pixels a side")
                      .arg(wide),
                  2);
    EXPECT_TRUE(trash().isEmpty()) << trash().join(' ').toStdString();

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
