#pragma once

#include <QString>

#include <cstdint>
#include <memory>

struct AVFormatContext;
struct AVIOContext;

namespace qtkit {

// The file a muxer writes into, written straight from the muxer's own buffers: a packet reaches
// the file in one call and without a copy, and only the small fields of the headers gather in a
// buffer first. Large blocks are spliced into the file rather than written, which spares the
// kernel reading them through the process's memory a page at a time; and a packet whose bytes
// already lie in another file is copied from there by the kernel, file to file.
class DirectFileOutput {
public:
    // Creates the file at `path`, or empties it. Null and `out_error` on failure.
    static std::unique_ptr<DirectFileOutput> create(const QString& path, QString* out_error);
    // Detaches from the muxer it was given to and closes the file if still open.
    ~DirectFileOutput();
    DirectFileOutput(const DirectFileOutput&) = delete;
    DirectFileOutput& operator=(const DirectFileOutput&) = delete;

    // Makes this the output of `muxer`, until this object goes.
    void attachTo(AVFormatContext* muxer);
    // Says that the next write of exactly `size` bytes from `data` holds the `size` bytes at
    // `offset` of the file open as `descriptor`, so that they can be copied from there. Holds for
    // that one write; a write of anything else clears it. Other files than the output only.
    void expectBytesOfFile(const void* data, int size, int descriptor, std::int64_t offset);
    // Asks the system to start writing the file to disk whenever `bytes` more were written, so
    // that a flush at the end finds little left to wait for. 0 (the default) leaves it to the
    // system.
    void startWritingBackEvery(std::int64_t bytes);
    // Writes what is gathered and closes the file; false with `out_error` on failure (also of
    // any earlier write).
    bool close(QString* out_error);

    struct Impl;

private:
    DirectFileOutput();
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
