#include "platform/qtkit/DirectFileOutput.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace qtkit {

namespace {

constexpr int kGatherBytes = 64 << 10;
// Blocks from this size on are spliced: vmsplice(2) lends the pipe the block's pages and
// splice(2) copies them into the file within the kernel.
constexpr int kSpliceBytes = 256 << 10;
constexpr int kPipeBytes = 1 << 20;

QString errnoText(const char* what, int error) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

struct DirectFileOutput::Impl {
    int descriptor = -1;
    AVIOContext* context = nullptr;
    AVFormatContext* muxer = nullptr;

    std::int64_t writebackEvery = 0;
    std::int64_t sinceWriteback = 0;

    int pipe[2] = {-1, -1};
    bool splicing = true; // until the system refuses
    // The write announced by expectBytesOfFile.
    const void* expectedData = nullptr;
    int expectedSize = 0;
    int source = -1;
    std::int64_t sourceOffset = 0;

    // Each takes bytes from `data + *done` on and adds what reached the file to `*done`; what
    // they leave is written by write(2), which reports any failure.
    void copyFromSource(const std::uint8_t* data, int size, int* done);
    void spliceIn(const std::uint8_t* data, int size, int* done);
    int writePlain(const std::uint8_t* data, int size, int done);
};

void DirectFileOutput::Impl::copyFromSource(const std::uint8_t* data, int size, int* done) {
    const bool expected = source >= 0 && data == expectedData && size == expectedSize;
    const int from = std::exchange(source, -1);
    expectedData = nullptr;
    if (!expected)
        return;
    loff_t offset = loff_t(sourceOffset);
    while (*done < size) {
        const ssize_t copied =
            ::copy_file_range(from, &offset, descriptor, nullptr, std::size_t(size - *done), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0) // not offered between these files, or the source ends early
            return;
        *done += int(copied);
    }
}

void DirectFileOutput::Impl::spliceIn(const std::uint8_t* data, int size, int* done) {
    if (!splicing || size - *done < kSpliceBytes)
        return;
    if (pipe[0] < 0) {
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            splicing = false;
            return;
        }
        ::fcntl(pipe[1], F_SETPIPE_SZ, kPipeBytes); // a smaller pipe only means more calls
    }
    while (*done < size) {
        iovec block{const_cast<std::uint8_t*>(data + *done), std::size_t(size - *done)};
        const ssize_t lent = ::vmsplice(pipe[1], &block, 1, 0);
        if (lent < 0 && errno == EINTR)
            continue;
        if (lent <= 0) {
            splicing = false;
            return;
        }
        ssize_t left = lent;
        while (left > 0) {
            const ssize_t moved =
                ::splice(pipe[0], nullptr, descriptor, nullptr, std::size_t(left), SPLICE_F_MOVE);
            if (moved < 0 && errno == EINTR)
                continue;
            if (moved <= 0) {
                // The file takes no splices, or the write failed: empty the pipe, and write(2)
                // writes its bytes again from the block (and reports a failure of the file).
                char discard[16 << 10];
                for (ssize_t emptied = 0; emptied < left;) {
                    const ssize_t got =
                        ::read(pipe[0], discard,
                               std::min<std::size_t>(sizeof discard, std::size_t(left - emptied)));
                    if (got == 0 || (got < 0 && errno != EINTR))
                        break;
                    emptied += std::max<ssize_t>(got, 0);
                }
                splicing = false;
                *done += int(lent - left);
                return;
            }
            left -= moved;
        }
        *done += int(lent);
    }
}

int DirectFileOutput::Impl::writePlain(const std::uint8_t* data, int size, int done) {
    while (done < size) {
        const ssize_t written = ::write(descriptor, data + done, std::size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? AVERROR(errno) : AVERROR(EIO);
        done += int(written);
    }
    return size;
}

namespace {

int writeOut(void* opaque, std::uint8_t* data, int size) {
    auto& d = *static_cast<DirectFileOutput::Impl*>(opaque);
    int done = 0;
    d.copyFromSource(data, size, &done);
    d.spliceIn(data, size, &done);
    const int written = d.writePlain(data, size, done);
    if (d.writebackEvery > 0 && written > 0 && (d.sinceWriteback += written) >= d.writebackEvery) {
        d.sinceWriteback = 0;
        // Only starts the writing; a failure shows at the flush that follows.
        ::sync_file_range(d.descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    return written;
}

std::int64_t seekTo(void* opaque, std::int64_t offset, int whence) {
    const int descriptor = static_cast<DirectFileOutput::Impl*>(opaque)->descriptor;
    if (whence & AVSEEK_SIZE) {
        struct stat status {};
        return ::fstat(descriptor, &status) == 0 ? std::int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(descriptor, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : std::int64_t(position);
}

} // namespace

DirectFileOutput::DirectFileOutput() : mImpl(std::make_unique<Impl>()) {}

DirectFileOutput::~DirectFileOutput() {
    if (mImpl->muxer)
        mImpl->muxer->pb = nullptr;
    if (mImpl->context) {
        av_freep(&mImpl->context->buffer);
        avio_context_free(&mImpl->context);
    }
    if (mImpl->descriptor >= 0)
        ::close(mImpl->descriptor);
    for (const int end : mImpl->pipe)
        if (end >= 0)
            ::close(end);
}

std::unique_ptr<DirectFileOutput> DirectFileOutput::create(const QString& path,
                                                           QString* out_error) {
    std::unique_ptr<DirectFileOutput> output(new DirectFileOutput);
    Impl& d = *output->mImpl;
    // An empty file is left as it is: truncating one (O_TRUNC included) makes ext4 write the
    // whole of what follows to disk when the file is closed, a temporary movie too.
    d.descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    struct stat status {};
    if (d.descriptor >= 0 && ::fstat(d.descriptor, &status) == 0 && status.st_size > 0 &&
        ::ftruncate(d.descriptor, 0) != 0) {
        const int error = errno;
        ::close(std::exchange(d.descriptor, -1));
        errno = error;
    }
    if (d.descriptor < 0) {
        if (out_error)
            *out_error = errnoText("cannot create the movie file", errno);
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kGatherBytes));
    if (buffer)
        d.context = avio_alloc_context(buffer, kGatherBytes, 1, &d, nullptr, writeOut, seekTo);
    if (!d.context) {
        av_free(buffer);
        if (out_error)
            *out_error = QStringLiteral("cannot allocate a file writer");
        return nullptr;
    }
    d.context->direct = 1;
    return output;
}

void DirectFileOutput::attachTo(AVFormatContext* muxer) {
    mImpl->muxer = muxer;
    muxer->pb = mImpl->context;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
}

void DirectFileOutput::expectBytesOfFile(const void* data, int size, int descriptor,
                                         std::int64_t offset) {
    mImpl->expectedData = data;
    mImpl->expectedSize = size;
    mImpl->source = descriptor;
    mImpl->sourceOffset = offset;
}

void DirectFileOutput::startWritingBackEvery(std::int64_t bytes) {
    mImpl->writebackEvery = bytes;
}

bool DirectFileOutput::close(QString* out_error) {
    Impl& d = *mImpl;
    avio_flush(d.context);
    const int writeError = d.context->error;
    const int descriptor = std::exchange(d.descriptor, -1);
    const bool closed = ::close(descriptor) == 0;
    const int closeError = errno;
    if (writeError < 0) {
        if (out_error)
            *out_error = avErrorText("cannot write the movie file", writeError);
        return false;
    }
    if (!closed) {
        if (out_error)
            *out_error = errnoText("cannot close the movie file", closeError);
        return false;
    }
    return true;
}

} // namespace qtkit
