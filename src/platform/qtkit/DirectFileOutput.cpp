#include "platform/qtkit/DirectFileOutput.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qtkit {

namespace {

constexpr int kGatherBytes = 64 << 10;

int writeAll(void* opaque, std::uint8_t* data, int size) {
    const int descriptor = *static_cast<int*>(opaque);
    int done = 0;
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

std::int64_t seekTo(void* opaque, std::int64_t offset, int whence) {
    const int descriptor = *static_cast<int*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status {};
        return ::fstat(descriptor, &status) == 0 ? std::int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(descriptor, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : std::int64_t(position);
}

QString errnoText(const char* what, int error) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

struct DirectFileOutput::Impl {
    int descriptor = -1;
    AVIOContext* context = nullptr;
    AVFormatContext* muxer = nullptr;
};

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
}

std::unique_ptr<DirectFileOutput> DirectFileOutput::create(const QString& path,
                                                           QString* out_error) {
    std::unique_ptr<DirectFileOutput> output(new DirectFileOutput);
    Impl& d = *output->mImpl;
    d.descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (d.descriptor < 0) {
        if (out_error)
            *out_error = errnoText("cannot create the movie file", errno);
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kGatherBytes));
    if (buffer)
        d.context =
            avio_alloc_context(buffer, kGatherBytes, 1, &d.descriptor, nullptr, writeAll, seekTo);
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
