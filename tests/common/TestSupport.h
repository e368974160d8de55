#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace lumenreel::test {

// Runs the main thread's event loop until `done` returns true or `timeout` passes.
// Returns the last value of `done`.
bool spinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Folder of checked-in fixtures (tests/data).
QString testDataPath(const QString& relative = {});

// A file the application ships, under resources/ of the source tree.
QString resource(const QString& name);

// Saves a picture of `size` filled with `colour` as `path`, in the format its suffix names (or
// `format`); the path. The test fails when it cannot be written.
QString writePicture(const QString& path, QSize size, QColor colour, const char* format = nullptr);

// Writes `contents` to `path`, making the folders on the way; the path. The test fails when it
// cannot be written.
QString writeTestFile(const QString& path, const QByteArray& contents);

// The files under `root`, hidden ones too, sorted.
QStringList filesUnder(const QString& root);

// Resident memory of this process in bytes, or -1 when it cannot be read.
qint64 residentBytes();
// The memory a growth check compares: resident, or under AddressSanitizer (which keeps freed
// blocks in quarantine) its live heap.
qint64 heldBytes();
// Open file descriptors of this process.
int openFileDescriptors();

} // namespace lumenreel::test
