#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace lumenreel::test {

// What one child process gave.
struct ChildRun {
    int status = -1; // the exit status; -1 when it did not start or did not exit by itself
    QString out;
    QString err;
};

// Called with a running child's process id and its output so far; true when done watching.
using ChildWatch = std::function<bool(qint64 pid, const QString& out, const QString& err)>;

struct ChildOptions {
    QStringList arguments{};
    QMap<QString, QString> environment{}; // added to this process's environment
    QString workingFolder{};              // empty: this process's
    // Past it the test fails and the child is killed.
    std::chrono::milliseconds deadline = std::chrono::minutes(2);
    // Runs in the child between fork and exec (resource limits, signal dispositions).
    std::function<void()> inChild{};
    // Asked whenever output comes and every few milliseconds, until it answers true.
    ChildWatch watch{};
};

// Runs `program` and waits for its end.
ChildRun runChild(const QString& program, const ChildOptions& options = {});

// Runs `program` and returns its standard output; the test fails when it does not exit with 0.
QString childOutput(const QString& program, const QStringList& arguments);

// The phase this process was relaunched in by relaunchInPhase(), empty in an ordinary run.
QByteArray relaunchPhase();

// Runs this test program again with only `test` ("Suite.Name"), which calls relaunchPhase() to
// learn what to do; expects that test to pass.
ChildRun relaunchInPhase(const char* test, const QString& phase, ChildOptions options = {});

} // namespace lumenreel::test
