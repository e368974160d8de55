#include "app/RenderToolRunner.h"

#include <csignal>

#include <sys/resource.h>

namespace lumenreel::test {

ToolRun RenderToolTest::runTool(const QStringList& arguments, const ChildWatch& watch) const {
    ChildOptions options{
        .arguments = arguments,
        .environment = {{QStringLiteral("HOME"), mHome.path()},
                        {QStringLiteral("XDG_DATA_HOME"), mHome.filePath(QStringLiteral("data"))},
                        {QStringLiteral("XDG_CONFIG_HOME"),
                         mHome.filePath(QStringLiteral("config"))},
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
RenderToolTest::runAndAct(const QStringList& arguments,
                          const std::function<bool(const QString& err)>& ready,
                          const std::function<void(qint64)>& action) const {
    bool acted = false;
    const ToolRun tool = runTool(arguments, [&](qint64 pid, const QString&, const QString& err) {
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

std::optional<ToolRun> RenderToolTest::runAndSignal(const QStringList& arguments,
                                                    const QString& text, int signal) const {
    return runAndAct(
        arguments, [&](const QString& err) { return err.contains(text); },
        [signal](qint64 pid) { ::kill(pid_t(pid), signal); });
}

void RenderToolTest::SetUp() {
    ASSERT_TRUE(mHome.isValid());
    mOutput = mHome.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(mOutput) && QDir().mkpath(temporaryFolder()));
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
    const ToolRun tool = runTool(arguments);
    EXPECT_EQ(tool.status, status) << tool.err.toStdString();
    EXPECT_TRUE(tool.err.contains(reason)) << tool.err.toStdString();
    EXPECT_EQ(tool.err.count(QStringLiteral("lumenreel-render: ")), 1) << tool.err.toStdString();
    EXPECT_EQ(tool.err.trimmed().count(QLatin1Char('\n')), 0) << tool.err.toStdString();
    EXPECT_TRUE(tool.out.isEmpty());
    EXPECT_TRUE(entries(mOutput).isEmpty()) << entries(mOutput).join(' ').toStdString();
    return tool;
}

ToolRun RenderToolTest::expectRuns(const QStringList& arguments) const {
    const ToolRun tool = runTool(arguments);
    EXPECT_EQ(tool.status, 0) << tool.err.toStdString();
    return tool;
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

} // namespace lumenreel::test
