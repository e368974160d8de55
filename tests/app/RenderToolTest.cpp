#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList& arguments, const QString& home) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMENREEL_RENDER_TOOL), arguments);
    EXPECT_TRUE(process.waitForFinished(300000));
    ToolRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString sample(const QString& name) {
    return QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/") + name;
}

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mHome.isValid());
        mOutput = mHome.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(mOutput));
        mComposition = mHome.filePath(QStringLiteral("Plain.fs"));
        QFile file(mComposition);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("/*{ \"ISFVSN\": \"2\", \"INPUTS\": [] }*/\n"
                   "void main() { gl_FragColor = vec4(isf_FragNormCoord, TIME, 1.0); }\n");
    }

    // A bad input gives a one-line reason and writes nothing into the output folder.
    void expectRefused(const QStringList& arguments, const QString& reason, int status = 1) {
        const ToolRun run = runTool(arguments, mHome.path());
        EXPECT_EQ(run.status, status) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(QDir(mOutput).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    QTemporaryDir mHome;
    QString mOutput;
    QString mComposition;
};

TEST_F(RenderToolTest, RendersTheMovieWithSoundAndPrintsItsPath) {
    const ToolRun run =
        runTool({"--audio", sample("sounds/demo-arpeggio.m4a"), "--size", "64x48", "--fps", "10",
                 "--duration", "1", "--output", mOutput, mComposition},
                mHome.path());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString movie = QDir(mOutput).filePath(QStringLiteral("Plain.mov"));
    EXPECT_EQ(run.out.trimmed(), movie);
    EXPECT_TRUE(run.err.contains(QStringLiteral("11 frames")));
    const lumenreel::test::InspectedMovie inspected = lumenreel::test::inspectMovie(movie);
    ASSERT_TRUE(inspected.opened) << inspected.error.toStdString();
    ASSERT_EQ(inspected.tracks.size(), 2);
    EXPECT_EQ(inspected.tracks[0].mediaType, QStringLiteral("audio"));
    EXPECT_EQ(inspected.tracks[1].mediaType, QStringLiteral("video"));
    EXPECT_EQ(inspected.tracks[1].width, 64);
    EXPECT_EQ(inspected.tracks[1].packetPts.size(), 11);
}

TEST_F(RenderToolTest, HelpAndVersionExitZero) {
    const ToolRun help = runTool({"--help"}, mHome.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--preset")));
    const ToolRun version = runTool({"--version"}, mHome.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("lumenreel-render ")));
}

TEST_F(RenderToolTest, RefusesBadInputsWithoutWritingAnything) {
    expectRefused({"--fps", "0", "--output", mOutput, mComposition}, QStringLiteral("frame rate"),
                  2);
    expectRefused({"--output", mOutput, mHome.filePath(QStringLiteral("Missing.fs"))},
                  QStringLiteral("no such file"));

    const QString notAComposition = mHome.filePath(QStringLiteral("Notes.fs"));
    QFile notes(notAComposition);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("just some text");
    notes.close();
    expectRefused({"--output", mOutput, notAComposition}, QStringLiteral("not a composition"));

    const QString brokenSound = mHome.filePath(QStringLiteral("broken.wav"));
    QFile sound(brokenSound);
    ASSERT_TRUE(sound.open(QIODevice::WriteOnly));
    sound.write("RIFF but not really");
    sound.close();
    expectRefused({"--audio", brokenSound, "--output", mOutput, mComposition},
                  QStringLiteral("cannot read the sound movie"));

    expectRefused({"--output", mComposition, mComposition}, QStringLiteral("not a folder"));
    expectRefused({"--output", "/proc/self", mComposition},
                  QStringLiteral("cannot write into the output folder"));
}

} // namespace
