// What a composition may read: regular files only, pictures from its own folder and below
// only, and pictures up to the documented size.

#include "QCTestSupport.h"

#include "common/FifoGuard.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using lumenreel::test::FifoGuard;
using lumenreel::test::writePicture;
using qctest::isfImporting;
using qctest::pixel;
using qctest::RGBA;
using qctest::shadertoyReading;

namespace {

bool parses(const QString& text, const QString& location, QString* log) {
    return qctest::parses(text.toUtf8(), location, log);
}

// A picture in the home folder, next to a downloaded shader's folder, is out of the shader's
// reach however it is named: absolute, climbing out with "..", through a link in the folder
// that points out of it (to the file or to a folder above), as a Shadertoy file URL. Pictures in
// the folder and below stay readable, also through links that stay inside and through a link to
// the whole folder.
TEST(QCFileAccessTest, PicturesOutsideTheCompositionsFolderAreRefusedNamingThePath) {
    QTemporaryDir home;
    const QString secret = home.filePath(QStringLiteral("private.png"));
    writePicture(secret, QSize(4, 4), Qt::red);
    const QString folder = home.filePath(QStringLiteral("shaders/downloaded"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/tiles")));
    writePicture(folder + QStringLiteral("/tiles/tile.png"), QSize(4, 4), Qt::green);
    ASSERT_TRUE(QFile::link(secret, folder + QStringLiteral("/innocent.png")));
    ASSERT_TRUE(QFile::link(home.path(), folder + QStringLiteral("/up")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/tiles/tile.png"),
                            folder + QStringLiteral("/alias.png")));
    ASSERT_TRUE(QFile::link(folder, home.filePath(QStringLiteral("linked-folder"))));
    const QString location = folder + QStringLiteral("/x.fs");

    const QString refused[] = {secret, QStringLiteral("../../private.png"),
                               QStringLiteral("tiles/../../../private.png"),
                               QStringLiteral("innocent.png"), QStringLiteral("up/private.png")};
    for (const QString& path : refused) {
        for (const bool isf : {true, false}) {
            QString log;
            const QString text =
                isf ? isfImporting(path) : shadertoyReading(QStringLiteral("file://") + path);
            EXPECT_FALSE(parses(text, location, &log)) << path.toStdString();
            EXPECT_TRUE(qctest::oneLineSaying(
                log, QStringLiteral("\"%1\" is outside the composition's folder").arg(path)));
        }
    }

    for (const QString& path :
         {QStringLiteral("tiles/tile.png"), QStringLiteral("./tiles/tile.png"),
          QStringLiteral("alias.png"), QStringLiteral("tiles/../alias.png")}) {
        const QImage isf = qctest::renderText(isfImporting(path), QSize(2, 2), {0.0}, location);
        EXPECT_EQ(pixel(isf, 0, 0), (RGBA{0, 255, 0, 255})) << path.toStdString();
        const QImage toy = qctest::renderText(shadertoyReading(QStringLiteral("file://") + path),
                                              QSize(2, 2), {0.0}, folder);
        EXPECT_EQ(pixel(toy, 0, 0), (RGBA{0, 255, 0, 255})) << path.toStdString();
    }
    const QImage throughLink =
        qctest::renderText(isfImporting(QStringLiteral("tiles/tile.png")), QSize(2, 2), {0.0},
                           home.filePath(QStringLiteral("linked-folder/x.fs")));
    EXPECT_EQ(pixel(throughLink, 0, 0), (RGBA{0, 255, 0, 255}));
}

// A FIFO where a file is expected (its companion vertex shader, a picture it imports) is refused
// at once with one line instead of blocking the reader forever. A FIFO or a missing file as the
// composition itself is pinned by the job checks' tests, which read it the same way.
TEST(QCFileAccessTest, AFifoIsRefusedWithoutWaitingOnIt) {
    QTemporaryDir folder;
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("shader.vs"),
         qctest::isf(QStringLiteral("void main() { gl_FragColor = vec4(1.0); }\n"))},
        {QStringLiteral("tile.png"), isfImporting(QStringLiteral("tile.png"))},
        {QStringLiteral("tile.png"), shadertoyReading(QStringLiteral("file://tile.png"))}};
    for (const auto& [pipe, text] : cases) {
        FifoGuard fifo(folder.filePath(pipe));
        ASSERT_TRUE(fifo.isValid());
        QString log;
        EXPECT_FALSE(parses(text, folder.filePath(QStringLiteral("shader.fs")), &log))
            << pipe.toStdString();
        EXPECT_FALSE(fifo.rescued()) << pipe.toStdString() << " was waited on";
        EXPECT_TRUE(log.contains(QStringLiteral("not a regular file")) && log.contains(pipe))
            << log.toStdString();
    }
}

// Qt refuses pictures of more than 128 MB by default; a composition takes any picture up to
// 16384 pixels a side (8192 x 8192 here, 256 MB decoded), and one beyond that is refused by a
// line that names the limit.
TEST(QCFileAccessTest, PicturesUpToTheDocumentedSideAreReadAndLargerOnesNameTheLimit) {
    QTemporaryDir folder;
    writePicture(folder.filePath(QStringLiteral("large.png")), QSize(8192, 8192), Qt::blue);
    writePicture(folder.filePath(QStringLiteral("wide.png")), QSize(16385, 4), Qt::blue);
    const QString location = folder.filePath(QStringLiteral("x.fs"));
    const QImage large =
        qctest::renderText(isfImporting(QStringLiteral("large.png")), QSize(2, 2), {0.0}, location);
    EXPECT_EQ(pixel(large, 0, 0), (RGBA{0, 0, 255, 255}));

    QString log;
    EXPECT_FALSE(parses(isfImporting(QStringLiteral("wide.png")), location, &log));
    EXPECT_TRUE(qctest::oneLineSaying(
        log, QStringLiteral("is 16385x4 pixels, larger than 16384 pixels a side")));
    EXPECT_FALSE(log.contains(QStringLiteral("neither"))) << log.toStdString();
}

} // namespace
