#pragma once

#include <QString>

#include <memory>

struct AVFormatContext;
struct AVIOContext;

namespace qtkit {

// The file a muxer writes into, written with write(2) straight from the muxer's own buffers:
// a packet reaches the file in one call and without a copy, and only the small fields of the
// headers gather in a buffer first.
class DirectFileOutput {
public:
    // Creates (or truncates) the file at `path`. Null and `out_error` on failure.
    static std::unique_ptr<DirectFileOutput> create(const QString& path, QString* out_error);
    // Detaches from the muxer it was given to and closes the file if still open.
    ~DirectFileOutput();
    DirectFileOutput(const DirectFileOutput&) = delete;
    DirectFileOutput& operator=(const DirectFileOutput&) = delete;

    // Makes this the output of `muxer`, until this object goes.
    void attachTo(AVFormatContext* muxer);
    // Writes what is gathered and closes the file; false with `out_error` on failure (also of
    // any earlier write).
    bool close(QString* out_error);

private:
    DirectFileOutput();
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
