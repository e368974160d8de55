#include "app/RenderToolRunner.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace lumenreel::test {

namespace {

constexpr int kDeadlineMs = 300000;

ToolRun finish(QProcess& process, QString err) {
    EXPECT_TRUE(process.waitForFinished(kDeadlineMs)) << "lumenreel-render did not end";
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(kDeadlineMs);
    }
    ToolRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = err + QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

RenderToolRunner::RenderToolRunner(const QString& home) : mHome(home) {
    QDir().mkpath(temporaryFolder());
}

QString RenderToolRunner::temporaryFolder() const {
    return mHome + QStringLiteral("/tmp");
}

QString RenderToolRunner::trashFolder() const {
    return mHome + QStringLiteral("/data/Trash/files");
}

namespace {

void startTool(QProcess& process, const QString& home, const QString& temporary,
               long long fileSizeLimit, long long addressSpaceLimit, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    process.setProcessEnvironment(environment);
    if (fileSizeLimit >= 0 || addressSpaceLimit >= 0) {
        process.setChildProcessModifier([fileSizeLimit, addressSpaceLimit] {
            if (fileSizeLimit >= 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (addressSpaceLimit >= 0) {
                const rlimit limit{rlim_t(addressSpaceLimit), rlim_t(addressSpaceLimit)};
                setrlimit(RLIMIT_AS, &limit);
            }
        });
    }
    process.start(QStringLiteral(LUMENREEL_RENDER_TOOL), arguments);
}

} // namespace

ToolRun RenderToolRunner::run(const QStringList& arguments) const {
    QProcess process;
    startTool(process, mHome, temporaryFolder(), mFileSizeLimit, mAddressSpaceLimit, arguments);
    return finish(process, {});
}

std::optional<ToolRun> RenderToolRunner::runAndSignal(const QStringList& arguments,
                                                      const QString& text, int signal) const {
    return runAndAct(arguments, text, [signal](qint64 pid) { ::kill(pid_t(pid), signal); });
}

std::optional<ToolRun>
RenderToolRunner::runAndAct(const QStringList& arguments, const QString& text,
                            const std::function<void(qint64)>& action) const {
    QProcess process;
    process.setReadChannel(QProcess::StandardError);
    startTool(process, mHome, temporaryFolder(), mFileSizeLimit, mAddressSpaceLimit, arguments);
    QString err;
    const QDeadlineTimer deadline(kDeadlineMs);
    while (!err.contains(text)) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning ||
            !process.waitForReadyRead(int(deadline.remainingTime()))) {
            ADD_FAILURE()
                << "never saw \"" << text.toStdString() << "\":\n"
                << (err + QString::fromUtf8(process.readAllStandardError())).toStdString();
            process.kill();
            process.waitForFinished(kDeadlineMs);
            return std::nullopt;
        }
        err += QString::fromUtf8(process.readAllStandardError());
    }
    action(process.processId());
    return finish(process, err);
}

std::optional<ToolRun> RenderToolRunner::runAndSignalWhen(const QStringList& arguments,
                                                          const std::function<bool()>& ready,
                                                          int signal) const {
    QProcess process;
    startTool(process, mHome, temporaryFolder(), mFileSizeLimit, mAddressSpaceLimit, arguments);
    const QDeadlineTimer deadline(kDeadlineMs);
    while (!ready()) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning ||
            process.waitForFinished(2)) {
            ADD_FAILURE() << "the tool ended before it was to be signalled:\n"
                          << QString::fromUtf8(process.readAllStandardError()).toStdString();
            process.kill();
            process.waitForFinished(kDeadlineMs);
            return std::nullopt;
        }
    }
    ::kill(pid_t(process.processId()), signal);
    return finish(process, {});
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

QString RenderToolTest::writeFile(const QString& name, const QByteArray& contents) const {
    const QString path = mHome.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
    return path;
}

QStringList RenderToolTest::entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

void RenderToolTest::expectRefused(const QStringList& arguments, const QString& reason,
                                   int status) {
    const ToolRun run = mTool->run(arguments);
    EXPECT_EQ(run.status, status) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("lumenreel-render: ")), 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(entries(mOutput).isEmpty()) << entries(mOutput).join(' ').toStdString();
}

} // namespace lumenreel::test
