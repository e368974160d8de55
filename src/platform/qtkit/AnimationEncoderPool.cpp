#include "platform/qtkit/AnimationEncoderPool.h"

#include "platform/qtkit/AnimationEncoding.h"
#include "platform/qtkit/DeliveryEncoder.h"
#include "platform/qtkit/FFmpegPtr.h"

#include <QImage>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace qtkit {

namespace {

struct Job {
    QImage picture;
    std::int64_t index = 0;
    std::int64_t pts = 0;
    std::int64_t duration = 0;
};

struct Worker {
    std::deque<Job> jobs;
    std::condition_variable wake;
    std::thread thread;
};

} // namespace

struct AnimationEncoderPool::Impl {
    Settings settings;
    Sink sink;

    mutable std::mutex lock;
    std::condition_variable progress; // a picture went through the sink, or the pool failed
    std::condition_variable ready;    // a packet was encoded, or the pool stops
    std::vector<std::unique_ptr<Worker>> workers;
    std::map<std::int64_t, PacketPtr> packets; // encoded, waiting for the sink
    std::int64_t submitted = 0;
    std::int64_t written = 0;
    bool stopping = false;
    bool failed = false;
    QString failure;
    std::thread writer;

    // With `lock` held.
    void fail(const QString& text);
    bool report(QString* out_error) const;

    void encode(Worker& worker);
    bool encodeOne(AnimationSequenceCoder& coder, const Job& job, AVPacket* packet,
                   QString* out_error);
    void write();
};

AnimationEncoderPool::Settings AnimationEncoderPool::Settings::forPictures(int width, int height,
                                                                           int timeScale,
                                                                           int requestedThreads) {
    Settings settings;
    settings.width = width;
    settings.height = height;
    settings.timeScale = timeScale;
    int threads = requestedThreads;
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    // Every thread can hold a whole group while the one being written completes.
    const std::int64_t pictureBytes = std::max<std::int64_t>(1, std::int64_t(width) * height * 4);
    const std::int64_t affordable = std::max<std::int64_t>(2, kInFlightBudgetBytes / pictureBytes);
    const std::int64_t wanted = std::int64_t(threads) * (kAnimationGroupSize + 1);
    settings.maxInFlight = int(std::min(wanted, affordable));
    settings.threads =
        int(std::clamp<std::int64_t>(settings.maxInFlight / kAnimationGroupSize, 1, threads));
    return settings;
}

AnimationEncoderPool::AnimationEncoderPool() : mImpl(std::make_unique<Impl>()) {}

AnimationEncoderPool::~AnimationEncoderPool() {
    {
        std::lock_guard guard(mImpl->lock);
        mImpl->stopping = true;
        for (auto& worker : mImpl->workers)
            worker->wake.notify_all();
        mImpl->ready.notify_all();
        mImpl->progress.notify_all();
    }
    for (auto& worker : mImpl->workers)
        if (worker->thread.joinable())
            worker->thread.join();
    if (mImpl->writer.joinable())
        mImpl->writer.join();
}

std::unique_ptr<AnimationEncoderPool> AnimationEncoderPool::create(const Settings& settings,
                                                                   Sink sink, QString* out_error) {
    if (settings.width <= 0 || settings.height <= 0 || settings.threads < 1 ||
        settings.maxInFlight < 1 || !sink) {
        if (out_error)
            *out_error = QStringLiteral("invalid settings of the encoder pool");
        return nullptr;
    }
    std::unique_ptr<AnimationEncoderPool> pool(new AnimationEncoderPool);
    Impl& d = *pool->mImpl;
    d.settings = settings;
    d.sink = std::move(sink);
    for (int index = 0; index < settings.threads; ++index)
        d.workers.push_back(std::make_unique<Worker>());
    for (auto& worker : d.workers)
        worker->thread = std::thread([&d, raw = worker.get()] { d.encode(*raw); });
    d.writer = std::thread([&d] { d.write(); });
    return pool;
}

const AnimationEncoderPool::Settings& AnimationEncoderPool::settings() const {
    return mImpl->settings;
}

void AnimationEncoderPool::Impl::fail(const QString& text) {
    if (!failed) {
        failed = true;
        failure = text;
    }
    packets.clear();
    for (auto& worker : workers) {
        worker->jobs.clear();
        worker->wake.notify_all();
    }
    ready.notify_all();
    progress.notify_all();
}

bool AnimationEncoderPool::Impl::report(QString* out_error) const {
    if (failed && out_error)
        *out_error = failure;
    return !failed;
}

bool AnimationEncoderPool::submit(const QImage& picture, std::int64_t pts, std::int64_t duration,
                                  QString* out_error) {
    Impl& d = *mImpl;
    std::unique_lock guard(d.lock);
    d.progress.wait(guard, [&] {
        return d.failed || d.stopping || d.submitted - d.written < d.settings.maxInFlight;
    });
    if (!d.report(out_error))
        return false;
    if (d.stopping) {
        if (out_error)
            *out_error = QStringLiteral("the encoder pool is stopping");
        return false;
    }
    const std::int64_t index = d.submitted++;
    Worker& worker = *d.workers[std::size_t((index / kAnimationGroupSize) % d.workers.size())];
    worker.jobs.push_back(Job{picture, index, pts, duration});
    worker.wake.notify_one();
    return true;
}

bool AnimationEncoderPool::healthy(QString* out_error) const {
    std::lock_guard guard(mImpl->lock);
    return mImpl->report(out_error);
}

bool AnimationEncoderPool::drain(QString* out_error) {
    Impl& d = *mImpl;
    std::unique_lock guard(d.lock);
    d.progress.wait(guard, [&] { return d.failed || d.stopping || d.written == d.submitted; });
    return d.report(out_error);
}

bool AnimationEncoderPool::Impl::encodeOne(AnimationSequenceCoder& coder, const Job& job,
                                           AVPacket* packet, QString* out_error) {
    const QImage& picture = job.picture;
    if (picture.width() != settings.width || picture.height() != settings.height ||
        picture.depth() != 32) {
        *out_error = QStringLiteral("picture %1 is not of %2x%3 pixels")
                         .arg(job.index + 1)
                         .arg(settings.width)
                         .arg(settings.height);
        return false;
    }
    // A worker is given whole groups, so the picture its coder coded last is the one before.
    if (!coder.code(picture, job.index, packet)) {
        *out_error = QStringLiteral("out of memory coding picture %1").arg(job.index + 1);
        return false;
    }
    packet->pts = packet->dts = job.pts;
    packet->duration = job.duration;
    return true;
}

void AnimationEncoderPool::Impl::encode(Worker& worker) {
    yieldToTheRender();
    QString error;
    AnimationSequenceCoder coder(settings.width, settings.height);
    for (;;) {
        Job job;
        {
            std::unique_lock guard(lock);
            worker.wake.wait(guard, [&] { return stopping || failed || !worker.jobs.empty(); });
            if (stopping || failed)
                return;
            job = std::move(worker.jobs.front());
            worker.jobs.pop_front();
        }
        PacketPtr packet = makePacket();
        const bool encoded = packet && encodeOne(coder, job, packet.get(), &error);
        job.picture = QImage(); // the coder keeps it while its group needs it
        std::lock_guard guard(lock);
        if (!encoded) {
            fail(packet ? error : QStringLiteral("cannot allocate a packet"));
            return;
        }
        if (failed || stopping)
            return;
        packets.emplace(job.index, std::move(packet));
        if (job.index == written)
            ready.notify_one();
    }
}

void AnimationEncoderPool::Impl::write() {
    yieldToTheRender();
    std::vector<PacketPtr> batch;
    for (;;) {
        {
            std::unique_lock guard(lock);
            ready.wait(guard, [&] {
                return stopping || failed ||
                       (!packets.empty() && packets.begin()->first == written);
            });
            if (stopping || failed)
                return;
            for (auto next = packets.begin();
                 next != packets.end() && next->first == written + std::int64_t(batch.size());
                 next = packets.erase(next))
                batch.push_back(std::move(next->second));
        }
        QString error;
        for (std::size_t index = 0; index < batch.size(); ++index) {
            if (!sink(batch[index].get(), index + 1 < batch.size(), &error)) {
                std::lock_guard guard(lock);
                fail(error);
                return;
            }
        }
        std::lock_guard guard(lock);
        written += std::int64_t(batch.size());
        batch.clear();
        progress.notify_all();
    }
}

} // namespace qtkit
