#include "platform/qtkit/LiveMovieFile.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace qtkit {

namespace {

std::mutex sRegistryLock;
std::map<QString, std::weak_ptr<LiveMovieFile>>& registry() {
    static std::map<QString, std::weak_ptr<LiveMovieFile>> files;
    return files;
}

QString keyOf(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

constexpr int kReadBufferBytes = 1 << 20;

} // namespace

struct LiveMovieFile::Impl {
    QString path;
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::int64_t complete = 0;
    bool ended = false;
    bool finished = false;
    QTTime duration = QTMakeTime(0, 600);

    // The pictures taken but not yet given to their follower.
    std::deque<LivePicture> pictures;
    mutable std::condition_variable pictureTaken; // one was given out, or they were given up
    bool picturesFollowed = false;
    bool picturesGivenUp = false; // no longer offered
    int pictureCapacity = 0;
};

LiveMovieFile::LiveMovieFile(const QString& path) : mImpl(std::make_unique<Impl>()) {
    mImpl->path = path;
}

LiveMovieFile::~LiveMovieFile() = default;

std::shared_ptr<LiveMovieFile> LiveMovieFile::announce(const QString& path) {
    std::shared_ptr<LiveMovieFile> file(new LiveMovieFile(path));
    std::lock_guard guard(sRegistryLock);
    auto& files = registry();
    for (auto entry = files.begin(); entry != files.end();)
        entry = entry->second.expired() ? files.erase(entry) : std::next(entry);
    files[keyOf(path)] = file;
    return file;
}

std::shared_ptr<LiveMovieFile> LiveMovieFile::find(const QString& path) {
    std::lock_guard guard(sRegistryLock);
    const auto found = registry().find(keyOf(path));
    return found == registry().end() ? nullptr : found->second.lock();
}

const QString& LiveMovieFile::path() const {
    return mImpl->path;
}

void LiveMovieFile::grew(std::int64_t completeBytes) {
    std::lock_guard guard(mImpl->lock);
    if (mImpl->ended || completeBytes <= mImpl->complete)
        return;
    mImpl->complete = completeBytes;
    mImpl->changed.notify_all();
}

void LiveMovieFile::end(bool finished, QTTime duration) {
    {
        std::lock_guard guard(mImpl->lock);
        if (mImpl->ended)
            return;
        mImpl->ended = true;
        mImpl->finished = finished;
        mImpl->duration = duration;
        if (!mImpl->picturesFollowed)
            mImpl->pictures.clear();
        mImpl->changed.notify_all();
        mImpl->pictureTaken.notify_all();
    }
    std::lock_guard guard(sRegistryLock);
    const auto found = registry().find(keyOf(mImpl->path));
    if (found != registry().end() && found->second.lock().get() == this)
        registry().erase(found);
}

std::int64_t LiveMovieFile::waitBeyond(std::int64_t offset,
                                       const std::function<bool()>& stop) const {
    std::unique_lock guard(mImpl->lock);
    while (mImpl->complete <= offset && !mImpl->ended && !(stop && stop()))
        mImpl->changed.wait_for(guard, std::chrono::milliseconds(50));
    return mImpl->complete;
}

bool LiveMovieFile::finished(QTTime* out_duration) const {
    std::lock_guard guard(mImpl->lock);
    if (out_duration)
        *out_duration = mImpl->duration;
    return mImpl->ended && mImpl->finished;
}

void LiveMovieFile::tookPicture(const LivePicture& picture) {
    Impl& d = *mImpl;
    std::unique_lock guard(d.lock);
    if (d.ended || d.picturesGivenUp)
        return;
    if (!d.picturesFollowed) {
        if (d.pictures.size() < std::size_t(kKeptPictures)) {
            d.pictures.push_back(picture);
        } else {
            d.pictures.clear();
            d.picturesGivenUp = true;
        }
        return;
    }
    d.pictureTaken.wait(guard, [&] {
        return d.picturesGivenUp || d.pictures.size() < std::size_t(d.pictureCapacity);
    });
    if (d.picturesGivenUp)
        return;
    d.pictures.push_back(picture);
    d.changed.notify_all();
}

bool LiveMovieFile::followPictures(int capacity) {
    std::lock_guard guard(mImpl->lock);
    if (mImpl->picturesGivenUp || mImpl->picturesFollowed)
        return false;
    mImpl->picturesFollowed = true;
    mImpl->pictureCapacity = std::max(1, capacity);
    return true;
}

bool LiveMovieFile::picturesFollowed() const {
    std::lock_guard guard(mImpl->lock);
    return mImpl->picturesFollowed && !mImpl->picturesGivenUp;
}

int LiveMovieFile::nextPicture(LivePicture* out_picture, const std::function<bool()>& stop) {
    Impl& d = *mImpl;
    std::unique_lock guard(d.lock);
    for (;;) {
        if (d.picturesGivenUp || !d.picturesFollowed)
            return -1;
        if (!d.pictures.empty()) {
            *out_picture = std::move(d.pictures.front());
            d.pictures.pop_front();
            d.pictureTaken.notify_all();
            return 1;
        }
        if (d.ended)
            return d.finished ? 0 : -1;
        if (stop && stop())
            return -1;
        d.changed.wait_for(guard, std::chrono::milliseconds(50));
    }
}

void LiveMovieFile::stopFollowingPictures() {
    std::lock_guard guard(mImpl->lock);
    mImpl->picturesGivenUp = true;
    mImpl->pictures.clear();
    mImpl->pictureTaken.notify_all();
    mImpl->changed.notify_all();
}

struct LiveMovieReader::Impl {
    std::shared_ptr<LiveMovieFile> file;
    std::function<bool()> stop;
    int descriptor = -1;
    std::int64_t position = 0;
    AVIOContext* context = nullptr;
};

namespace {

int readLive(void* opaque, std::uint8_t* buffer, int size) {
    auto& d = *static_cast<LiveMovieReader::Impl*>(opaque);
    const std::int64_t complete = d.file->waitBeyond(d.position, d.stop);
    if (complete <= d.position)
        return d.file->finished() ? AVERROR_EOF : AVERROR(EIO);
    const std::size_t wanted = std::size_t(std::min<std::int64_t>(size, complete - d.position));
    for (;;) {
        const ssize_t got = ::pread(d.descriptor, buffer, wanted, off_t(d.position));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? AVERROR(errno) : AVERROR(EIO);
        d.position += got;
        return int(got);
    }
}

} // namespace

LiveMovieReader::LiveMovieReader() : mImpl(std::make_unique<Impl>()) {}

LiveMovieReader::~LiveMovieReader() {
    if (mImpl->context) {
        av_freep(&mImpl->context->buffer);
        avio_context_free(&mImpl->context);
    }
    if (mImpl->descriptor >= 0)
        ::close(mImpl->descriptor);
}

std::unique_ptr<LiveMovieReader> LiveMovieReader::open(std::shared_ptr<LiveMovieFile> file,
                                                       std::function<bool()> stop,
                                                       QString* out_error) {
    std::unique_ptr<LiveMovieReader> reader(new LiveMovieReader);
    Impl& d = *reader->mImpl;
    d.file = std::move(file);
    d.stop = std::move(stop);
    d.descriptor = ::open(QFile::encodeName(d.file->path()).constData(), O_RDONLY | O_CLOEXEC);
    if (d.descriptor < 0) {
        if (out_error)
            *out_error = QStringLiteral("cannot follow %1: %2")
                             .arg(d.file->path(), QString::fromLocal8Bit(strerror(errno)));
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBufferBytes));
    if (buffer)
        d.context = avio_alloc_context(buffer, kReadBufferBytes, 0, &d, readLive, nullptr, nullptr);
    if (!d.context) {
        av_free(buffer);
        if (out_error)
            *out_error = QStringLiteral("cannot allocate a file reader");
        return nullptr;
    }
    d.context->seekable = 0;
    return reader;
}

AVIOContext* LiveMovieReader::context() const {
    return mImpl->context;
}

} // namespace qtkit
