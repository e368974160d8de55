#include "common/RunChild.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

namespace lumenreel::test {

namespace {

constexpr char kPhaseVariable[] = "LUMENREEL_RELAUNCH_PHASE";

} // namespace

ChildRun runChild(const QString& program, const ChildOptions& options) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = options.environment.begin(); it != options.environment.end(); ++it)
        environment.insert(it.key(), it.value());
    process.setProcessEnvironment(environment);
    if (!options.workingFolder.isEmpty())
        process.setWorkingDirectory(options.workingFolder);
    if (options.inChild)
        process.setChildProcessModifier(options.inChild);
    process.start(program, options.arguments);
    ChildRun run;
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << program.toStdString()
                      << " did not start: " << process.errorString().toStdString();
        return run;
    }
    const QDeadlineTimer deadline(options.deadline);
    bool watching = bool(options.watch);
    bool late = false;
    // Decoded at the end, so that a character split between two reads comes out whole.
    QByteArray out;
    QByteArray err;
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            late = true;
            ADD_FAILURE() << program.toStdString() << " did not end within "
                          << options.deadline.count() << " ms";
            process.kill();
            process.waitForFinished(30000);
            break;
        }
        process.waitForFinished(watching ? 5
                                         : int(std::min<qint64>(deadline.remainingTime(), 200)));
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        if (watching && process.state() != QProcess::NotRunning) {
            watching =
                !options.watch(process.processId(), QString::fromUtf8(out), QString::fromUtf8(err));
        }
    }
    run.out = QString::fromUtf8(out + process.readAllStandardOutput());
    run.err = QString::fromUtf8(err + process.readAllStandardError());
    if (!late && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    return run;
}

QString childOutput(const QString& program, const QStringList& arguments) {
    const ChildRun run = runChild(program, {.arguments = arguments});
    EXPECT_EQ(run.status, 0) << program.toStdString() << " failed: " << run.err.toStdString();
    return run.status == 0 ? run.out : QString();
}

QByteArray relaunchPhase() {
    return qgetenv(kPhaseVariable);
}

ChildRun relaunchInPhase(const char* test, const QString& phase, ChildOptions options) {
    options.arguments.prepend(QStringLiteral("--gtest_filter=") + QString::fromLatin1(test));
    options.environment.insert(QString::fromLatin1(kPhaseVariable), phase);
    ChildRun run = runChild(QCoreApplication::applicationFilePath(), options);
    EXPECT_TRUE(run.status == 0 && run.out.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << "phase " << phase.toStdString() << " (status " << run.status << "):\n"
        << run.out.toStdString() << run.err.toStdString();
    return run;
}

} // namespace lumenreel::test
