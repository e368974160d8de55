#include "app/RenderToolRunner.h"

#include "common/RunChild.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace lumenreel::test {

RenderToolRunner::RenderToolRunner(const QString& home) : mHome(home) {
    QDir().mkpath(temporaryFolder());
}

QString RenderToolRunner::temporaryFolder() const {
    return mHome + QStringLiteral("/tmp");
}

QString RenderToolRunner::trashFolder() const {
    return mHome + QStringLiteral("/data/Trash/files");
}

ToolRun RenderToolRunner::run(const QStringList& arguments, const ChildWatch& watch) const {
    ChildOptions options{
        .arguments = arguments,
        .environment = {{QStringLiteral("HOME"), mHome},
                        {QStringLiteral("XDG_DATA_HOME"), mHome + QStringLiteral("/data")},
                        {QStringLiteral("XDG_CONFIG_HOME"), mHome + QStringLiteral("/config")},
                        {QStringLiteral("TMPDIR"), temporaryFolder()}},
        .deadline = std::chrono::minutes(5),
        .watch = watch};
    if (mFileSizeLimit >= 0 || mAddressSpaceLimit >= 0) {
        options.inChild = [fileSize = mFileSizeLimit, addressSpace = mAddressSpaceLimit] {
            if (fileSize >= 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileSize), rlim_t(fileSize)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (addressSpace >= 0) {
                const rlimit limit{rlim_t(addressSpace), rlim_t(addressSpace)};
                setrlimit(RLIMIT_AS, &limit);
            }
        };
    }
    return runChild(QStringLiteral(LUMENREEL_RENDER_TOOL), options);
}

std::optional<ToolRun>
RenderToolRunner::runAndAct(const QStringList& arguments,
                            const std::function<bool(const QString& err)>& ready,
                            const std::function<void(qint64)>& action) const {
    bool acted = false;
    const ToolRun tool = run(arguments, [&](qint64 pid, const QString&, const QString& err) {
        if (ready(err)) {
            action(pid);
            acted = true;
        }
        return acted;
    });
    if (acted)
        return tool;
    ADD_FAILURE() << "the tool ended before it was ready:\n" << tool.err.toStdString();
    return std::nullopt;
}

std::optional<ToolRun> RenderToolRunner::runAndSignal(const QStringList& arguments,
                                                      const QString& text, int signal) const {
    return runAndAct(
        arguments, [&](const QString& err) { return err.contains(text); },
        [signal](qint64 pid) { ::kill(pid_t(pid), signal); });
}

void RenderToolTest::SetUp() {
    ASSERT_TRUE(mHome.isValid());
    mTool.emplace(mHome.path());
    mOutput = mHome.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(mOutput));
    mComposition =
        writeFile(QStringLiteral("Plain.fs"),
                  "/*{ \"ISFVSN\": \"2\", \"INPUTS\": [] }*/\n"
                  "void main() { gl_FragColor = vec4(isf_FragNormCoord, TIME, 1.0); }\n");
}

QStringList RenderToolTest::entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

ToolRun RenderToolTest::expectRefused(const QStringList& arguments, const QString& reason,
                                      int status) {
    const ToolRun run = mTool->run(arguments);
    EXPECT_EQ(run.status, status) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("lumenreel-render: ")), 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(entries(mOutput).isEmpty()) << entries(mOutput).join(' ').toStdString();
    return run;
}

ToolRun RenderToolTest::expectRuns(const QStringList& arguments) const {
    const ToolRun run = mTool->run(arguments);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    return run;
}

QList<QImage> RenderToolTest::renderFrames(const QString& composition,
                                           const QStringList& options) const {
    const QString movie =
        expectRuns(options + QStringList{"--output", mOutput, composition}).out.trimmed();
    QList<QImage> frames = decodeVideoFrames(movie, 1);
    if (frames.isEmpty())
        frames = decodeVideoFrames(movie, 0);
    QFile::remove(movie);
    return frames;
}

QString RenderToolTest::lavfi(const QString& name, const QString& source,
                              const QStringList& options) const {
    const QString path = mHome.filePath(name);
    EXPECT_TRUE(runFfmpeg(QStringList{"-f", "lavfi", "-i", source} + options << path));
    return path;
}

QString RenderToolTest::folder(const QString& name) const {
    QDir().mkpath(mHome.filePath(name));
    return mHome.filePath(name);
}

QString RenderToolTest::renderInto(const QString& name, const QStringList& options,
                                   const QString& composition) const {
    return expectRuns(options + QStringList{"--output", folder(name), composition}).out.trimmed();
}

ToolRun RenderToolTest::join(const QString& name, const QStringList& arguments) const {
    return mTool->run(QStringList{"--join", "--output", folder(name)} + arguments);
}

ToolRun RenderToolTest::expectJoinRefused(const QStringList& arguments, const QString& reason) {
    const QStringList temporaryBefore = filesUnder(mTool->temporaryFolder());
    const ToolRun run = join(QStringLiteral("refused"), arguments);
    EXPECT_EQ(run.status, 1) << reason.toStdString();
    EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
    EXPECT_TRUE(entries(folder(QStringLiteral("refused"))).isEmpty());
    EXPECT_EQ(filesUnder(mTool->temporaryFolder()), temporaryBefore);
    return run;
}

} // namespace lumenreel::test
