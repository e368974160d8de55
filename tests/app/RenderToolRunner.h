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

// Runs lumenreel-render in a child process with its own home, data, settings and temporary
// folders under `home`, and a deadline for everything it waits on.
class RenderToolRunner {
public:
    explicit RenderToolRunner(const QString& home);

    // The child may write files of at most `bytes` bytes; a longer write fails with EFBIG
    // instead of killing it.
    void setFileSizeLimit(long long bytes) { mFileSizeLimit = bytes; }
    // The child's address space may grow to at most `bytes` bytes.
    void setAddressSpaceLimit(long long bytes) { mAddressSpaceLimit = bytes; }
    QString temporaryFolder() const;
    QString trashFolder() const;

    // Runs the tool to its end, asking `watch` about it while it runs.
    ToolRun run(const QStringList& arguments, const ChildWatch& watch = {}) const;
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

private:
    QString mHome;
    long long mFileSizeLimit = -1;
    long long mAddressSpaceLimit = -1;
};

// A home folder with an output folder and a small composition, Plain.fs, whose movie is
// Plain.mov in the output folder.
class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override;

    QString outputMovie() const { return mOutput + QStringLiteral("/Plain.mov"); }
    // The entries of a folder, hidden ones too.
    static QStringList entries(const QString& folder);
    // Writes `contents` to `name` under the home folder, making the folders on the way.
    QString writeFile(const QString& name, const QByteArray& contents) const {
        return writeTestFile(mHome.filePath(name), contents);
    }
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

    // A folder under the home folder, made on the way.
    QString folder(const QString& name) const;
    // Renders `composition` with `options` into the folder `name`; the movie's path.
    QString renderInto(const QString& name, const QStringList& options,
                       const QString& composition) const;
    // Joins with `arguments` (options, then segments) into the folder `name`.
    ToolRun join(const QString& name, const QStringList& arguments) const;
    // A join with `arguments` is refused with `reason` in one line, leaving nothing in its folder
    // nor among the temporary files.
    ToolRun expectJoinRefused(const QStringList& arguments, const QString& reason);

    QTemporaryDir mHome;
    QString mOutput;
    QString mComposition;
    std::optional<RenderToolRunner> mTool;
};

} // namespace lumenreel::test
