#pragma once

#include "common/RunChild.h"
#include "common/TestSupport.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace lumenreel::test {

using ToolRun = ChildRun;

// A home folder with an output folder and a small composition, Plain.fs, whose movie is
// Plain.mov in the output folder; lumenreel-render runs in a child process with its own home,
// data, settings and temporary folders under it, and a deadline for everything it waits on.
class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override;

    QString temporaryFolder() const { return mHome.filePath(QStringLiteral("tmp")); }
    QString trashFolder() const { return mHome.filePath(QStringLiteral("data/Trash/files")); }
    // The entries of a folder, hidden ones too.
    static QStringList entries(const QString& folder);
    // Writes `contents` to `name` under the home folder, making the folders on the way.
    QString writeFile(const QString& name, const QByteArray& contents) const {
        return writeTestFile(mHome.filePath(name), contents);
    }

    // Runs the tool to its end, asking `watch` about it while it runs.
    ToolRun runTool(const QStringList& arguments, const ChildWatch& watch = {}) const;
    // Runs the tool, calls `action` with its process id as soon as `ready` answers true for its
    // standard error so far (asked every few milliseconds), and waits for its end. Returns
    // nothing when the tool ended first.
    std::optional<ToolRun> runAndAct(const QStringList& arguments,
                                     const std::function<bool(const QString& err)>& ready,
                                     const std::function<void(qint64)>& action) const;
    // Runs the tool, sends it `signal` as soon as its standard error shows `text`, and waits
    // for its end. Returns nothing when `text` never came.
    std::optional<ToolRun> runAndSignal(const QStringList& arguments, const QString& text,
                                        int signal) const;
    // A bad input gives a one-line reason and writes nothing into the output folder.
    ToolRun expectRefused(const QStringList& arguments, const QString& reason, int status = 1);
    // Runs the tool, expecting it to end with 0.
    ToolRun expectRuns(const QStringList& arguments) const;
    // Renders `composition` with `options` into the output folder; the decoded frames of its
    // movie (the second stream when it has a sound), which is removed.
    QList<QImage> renderFrames(const QString& composition, const QStringList& options) const;
    // Makes `name` under the home folder with FFmpeg from the lavfi `source` and `options`.
    QString lavfi(const QString& name, const QString& source,
                  const QStringList& options = {}) const;

    QTemporaryDir mHome;
    QString mOutput;
    QString mComposition;
    // The child may write files of at most this many bytes (a longer write fails with EFBIG
    // instead of killing it), and its address space may grow to at most this many; -1: no limit.
    long long mFileSizeLimit = -1;
    long long mAddressSpaceLimit = -1;
};

} // namespace lumenreel::test
