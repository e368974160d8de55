#include "app/preview/PreviewEngine.h"

#include "app/job/CompositionInputs.h"
#include "app/preview/PreviewMessageImage.h"
#include "app/preview/PreviewSound.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/foundation/NSLog.h"
#include "platform/qtkit/SoundSamples.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCInputValues.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// `seconds` brought into [0, loop).
double wrapIntoLoop(double seconds, double loop) {
    if (!(loop > 0) || !std::isfinite(seconds))
        return 0.0;
    const double wrapped = std::fmod(seconds, loop);
    return wrapped < 0 ? wrapped + loop : wrapped;
}

// The size the preview renders at: the job's picture fitted into the preview's size.
QSize renderSizeFor(QSizeF jobSize, QSize previewSize) {
    if (jobSize.width() < 1 || jobSize.height() < 1)
        return previewSize.expandedTo(QSize(1, 1));
    const QSizeF fitted = jobSize.scaled(QSizeF(previewSize), Qt::KeepAspectRatio);
    return QSize(std::max(1, int(std::lround(fitted.width()))),
                 std::max(1, int(std::lround(fitted.height()))));
}

// What of two jobs a reload has to follow: everything the composition is made from, or hears.
bool needsReload(const RenderJob& before, const RenderJob& after) {
    return before.compositionPath() != after.compositionPath() ||
           before.soundMoviePath() != after.soundMoviePath() ||
           before.framesPerSecond != after.framesPerSecond ||
           before.durationSeconds != after.durationSeconds ||
           before.inputs.files != after.inputs.files;
}

// How long to hear of a watched file's change before reloading, and how often to look again
// for a file that an editor's save took away for a moment.
constexpr int kReloadDelay_ms = 120;
constexpr int kMissingFileRetries = 25;

} // namespace

struct PreviewEngine::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;

    // What to play, under `mutex`.
    RenderJob job;
    QSize renderSize{320, 240};
    bool soundOutput = true;
    double displayRate = 60.0;
    std::uint64_t generation = 0; // a reload of the job is asked for each new generation
    bool valuesChanged = false;
    QStringList events;
    bool renderOnce = false;
    bool suspended = false;

    // The clock, under `mutex`: `anchorSeconds` at `anchorAt`, advancing while running.
    bool running = true;
    double anchorSeconds = 0.0;
    Clock::time_point anchorAt = Clock::now();
    double loop = 0.0;
    double framesPerSecond = 30.0;
    std::int64_t frameCount = 1;

    double positionAt(Clock::time_point now) const {
        const double raw = running ? anchorSeconds + secondsBetween(anchorAt, now) : anchorSeconds;
        return wrapIntoLoop(raw, loop);
    }
    std::int64_t frameIndexAt(double seconds) const {
        const auto index = std::int64_t(std::floor(seconds * framesPerSecond + 1e-9));
        return std::clamp<std::int64_t>(index, 0, std::max<std::int64_t>(frameCount - 1, 0));
    }

    // The latest frame, waiting for the main thread.
    std::mutex frameMutex;
    QImage latestFrame;
    double latestTime = 0.0;
    std::atomic<bool> deliveryPending{false};
    std::atomic<std::uint64_t> framesRendered{0};
};

// What the render thread loaded for one generation of the job.
struct PreviewEngine::Loaded {
    RenderJob job;
    NSRef<QCRenderer> renderer;
    std::unique_ptr<CompositionInputFeed> feed;
    QString error;
    QStringList files;
    std::shared_ptr<const SoundSamples> sound;
    QString soundPath;
    double soundSeconds = 0.0;
};

PreviewEngine::PreviewEngine(QObject* parent)
    : QObject(parent), mShared(std::make_shared<Shared>()), mWatcher(new QFileSystemWatcher(this)),
      mReloadTimer(new QTimer(this)), mClockTimer(new QTimer(this)) {
    mReloadTimer->setSingleShot(true);
    mReloadTimer->setInterval(kReloadDelay_ms);
    connect(mWatcher, &QFileSystemWatcher::fileChanged, this,
            [this](const QString& path) { fileChanged(path); });
    connect(mReloadTimer, &QTimer::timeout, this, [this] {
        // An editor that saves by renaming a new file over the old one leaves the path unwatched
        // (and, for a moment, missing): watch it again once it is back.
        const QString composition = mJob.compositionPath();
        if (!composition.isEmpty() && !QFileInfo::exists(composition) &&
            mMissingFileRetries++ < kMissingFileRetries) {
            mReloadTimer->start();
            return;
        }
        mMissingFileRetries = 0;
        requestReload();
    });
    mClockTimer->setInterval(10);
    connect(mClockTimer, &QTimer::timeout, this, [this] { syncClockToSound(); });
    mThread = std::make_unique<std::thread>([this] { renderLoop(); });
    // The sound and the thread end while the application's loop still could deliver to them.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { stop(); });
}

PreviewEngine::~PreviewEngine() {
    stop();
}

void PreviewEngine::stop() {
    mClockTimer->stop();
    mSound.reset();
    if (!mThread)
        return;
    {
        std::lock_guard lock(mShared->mutex);
        mShared->quit = true;
    }
    mShared->wake.notify_all();
    mThread->join();
    mThread.reset();
}

void PreviewEngine::setJob(const RenderJob& job) {
    const bool reload = needsReload(mJob, job);
    const bool valuesChanged = mJob.inputs.values != job.inputs.values;
    mJob = job;
    {
        std::lock_guard lock(mShared->mutex);
        const double before = mShared->positionAt(Clock::now());
        mShared->job = job;
        mShared->renderSize = renderSizeFor(job.sizePixels, mSize);
        mShared->framesPerSecond = std::max(1u, job.framesPerSecond);
        // The frames a render of the job writes (a loop leaves out the one at the duration).
        mShared->frameCount = std::max<std::int64_t>(1, job.frameCount());
        mShared->loop = double(mShared->frameCount) / mShared->framesPerSecond;
        mShared->anchorSeconds = wrapIntoLoop(before, mShared->loop);
        mShared->anchorAt = Clock::now();
        if (reload)
            ++mShared->generation;
        mShared->valuesChanged = mShared->valuesChanged || valuesChanged;
    }
    mShared->wake.notify_all();
    if (reload && job.compositionPath().isEmpty()) {
        watchFiles({});
        mSound.reset();
        mCompositionError.clear();
    }
}

RenderJob PreviewEngine::job() const {
    return mJob;
}

void PreviewEngine::setPreviewSize(QSize size) {
    if (size == mSize || size.isEmpty())
        return;
    mSize = size;
    {
        std::lock_guard lock(mShared->mutex);
        mShared->renderSize = renderSizeFor(mJob.sizePixels, mSize);
        ++mShared->generation;
    }
    mShared->wake.notify_all();
}

QSize PreviewEngine::previewSize() const {
    return mSize;
}

void PreviewEngine::setDisplayRate(double framesPerSecond) {
    if (!(framesPerSecond > 0))
        return;
    std::lock_guard lock(mShared->mutex);
    mShared->displayRate = framesPerSecond;
}

void PreviewEngine::setSoundOutputEnabled(bool enabled) {
    if (enabled == mSoundOutput)
        return;
    mSoundOutput = enabled;
    if (!enabled)
        mSound.reset();
    {
        std::lock_guard lock(mShared->mutex);
        mShared->soundOutput = enabled;
        ++mShared->generation;
    }
    mShared->wake.notify_all();
    updateSoundPlayback();
}

void PreviewEngine::play() {
    if (mPlaying)
        return;
    mPlaying = true;
    setClockRunning(!mSuspended);
    emit playingChanged(true);
}

void PreviewEngine::pause() {
    if (!mPlaying)
        return;
    mPlaying = false;
    setClockRunning(false);
    emit playingChanged(false);
    emit timeChanged(time());
}

void PreviewEngine::togglePlaying() {
    if (mPlaying)
        pause();
    else
        play();
}

bool PreviewEngine::isPlaying() const {
    return mPlaying;
}

void PreviewEngine::setSuspended(bool suspended) {
    if (suspended == mSuspended)
        return;
    mSuspended = suspended;
    {
        std::lock_guard lock(mShared->mutex);
        mShared->suspended = suspended;
    }
    setClockRunning(mPlaying && !suspended);
}

bool PreviewEngine::isSuspended() const {
    return mSuspended;
}

void PreviewEngine::setClockRunning(bool running) {
    {
        std::lock_guard lock(mShared->mutex);
        const Clock::time_point now = Clock::now();
        if (running != mShared->running) {
            mShared->anchorSeconds = mShared->positionAt(now);
            mShared->anchorAt = now;
            mShared->running = running;
        }
    }
    mShared->wake.notify_all();
    updateSoundPlayback();
}

void PreviewEngine::seek(double seconds) {
    double position = 0.0;
    {
        std::lock_guard lock(mShared->mutex);
        position = wrapIntoLoop(seconds, mShared->loop);
        mShared->anchorSeconds = position;
        mShared->anchorAt = Clock::now();
        mShared->renderOnce = true;
    }
    mShared->wake.notify_all();
    if (mSound)
        mSound->seek(position);
    emit timeChanged(position);
}

double PreviewEngine::time() const {
    std::lock_guard lock(mShared->mutex);
    return mShared->positionAt(Clock::now());
}

double PreviewEngine::loopDuration() const {
    std::lock_guard lock(mShared->mutex);
    return mShared->loop;
}

std::int64_t PreviewEngine::frameIndexAt(double seconds) const {
    std::lock_guard lock(mShared->mutex);
    return mShared->frameIndexAt(wrapIntoLoop(seconds, mShared->loop));
}

void PreviewEngine::fireEvent(const QString& name) {
    {
        std::lock_guard lock(mShared->mutex);
        mShared->events.append(name);
    }
    mShared->wake.notify_all();
}

bool PreviewEngine::soundIsClock() const {
    return mSound && mSound->isOpen() && !mSound->hasFailed();
}

std::uint64_t PreviewEngine::framesRendered() const {
    return mShared->framesRendered.load();
}

QStringList PreviewEngine::watchedFiles() const {
    return mWatcher->files();
}

void PreviewEngine::requestReload() {
    {
        std::lock_guard lock(mShared->mutex);
        ++mShared->generation;
    }
    mShared->wake.notify_all();
}

void PreviewEngine::watchFiles(const QStringList& files) {
    mWatchedFiles = files;
    if (!mWatcher->files().isEmpty())
        mWatcher->removePaths(mWatcher->files());
    for (const QString& file : files) {
        if (QFileInfo::exists(file))
            mWatcher->addPath(file);
    }
}

void PreviewEngine::fileChanged(const QString&) {
    // A save may come as several changes; the reload waits for the last of them.
    mReloadTimer->start();
}

void PreviewEngine::updateSoundPlayback() {
    const bool audible = mPlaying && !mSuspended && soundIsClock();
    if (mSound && mSound->isOpen())
        mSound->setPlaying(audible);
    if (audible)
        mClockTimer->start();
    else
        mClockTimer->stop();
}

void PreviewEngine::syncClockToSound() {
    if (!soundIsClock() || !mPlaying || mSuspended)
        return;
    const double heard = mSound->position();
    std::lock_guard lock(mShared->mutex);
    const Clock::time_point now = Clock::now();
    const double predicted = mShared->positionAt(now);
    double error = heard - predicted;
    // Across the loop's end the two may be a loop apart.
    if (error > mShared->loop / 2)
        error -= mShared->loop;
    else if (error < -mShared->loop / 2)
        error += mShared->loop;
    // The sound's position moves in steps of its buffers: small differences are eased away,
    // large ones (a seek, a stall) taken at once.
    mShared->anchorSeconds = std::abs(error) > 0.05 ? heard : predicted + error * 0.2;
    mShared->anchorAt = now;
}

void PreviewEngine::loadFinished(std::uint64_t generation, const QString& error,
                                 const QStringList& files,
                                 const std::shared_ptr<const void>& sound) {
    {
        std::lock_guard lock(mShared->mutex);
        if (generation != mShared->generation)
            return;
    }
    mCompositionError = error;
    QStringList watched = files;
    if (!mJob.compositionPath().isEmpty())
        watched.prepend(mJob.compositionPath());
    watchFiles(watched);
    auto samples = std::static_pointer_cast<const SoundSamples>(sound);
    if (!samples || !mSoundOutput) {
        mSound.reset();
    } else if (mSound && mSound->samples() == samples.get()) {
        mSound->setLoop(loopDuration());
    } else {
        mSound = std::make_unique<PreviewSound>();
        QString why;
        if (!mSound->open(samples, loopDuration(), &why)) {
            NSLog("PreviewEngine: the sound is not played (%@); a steady clock leads\n", why);
            mSound.reset();
        } else {
            connect(mSound.get(), &PreviewSound::failed, this, [this](const QString& reason) {
                NSLog("PreviewEngine: the sound stopped (%@); a steady clock leads\n", reason);
                updateSoundPlayback();
            });
            mSound->seek(time());
        }
    }
    updateSoundPlayback();
    emit compositionLoaded(error);
}

std::unique_ptr<PreviewEngine::Loaded> PreviewEngine::load(const RenderJob& job, QSize size,
                                                           std::uint64_t) {
    auto loaded = std::make_unique<Loaded>();
    loaded->job = job;
    const QString path = job.compositionPath();
    if (path.isEmpty())
        return loaded;
    NSAutoreleasePool pool;
    const QString name = QFileInfo(path).fileName();
    QString error;
    const std::optional<QByteArray> data = QCReadCompositionFile(path, &error);
    QCComposition* composition =
        data ? QCComposition::compositionWithData(*data, path, &error) : nullptr;
    if (!composition) {
        loaded->error = QStringLiteral("%1: %2").arg(name, error);
        return loaded;
    }
    for (const QString& file : composition->model().loadedFiles)
        loaded->files.append(file);
    CGColorSpaceRef colorSpace = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    QCRenderer* renderer =
        QCRenderer::initOffScreenWithSize(QSizeF(size), colorSpace, composition, &error);
    CGColorSpaceRelease(colorSpace);
    if (!renderer) {
        loaded->error = error;
        return loaded;
    }
    loaded->renderer = NSAdopt(renderer);
    renderer->setFrameRate(job.framesPerSecond);
    loaded->feed = CompositionInputFeed::create(composition->model(), job.inputs,
                                                job.soundMoviePath(), job.durationSeconds, &error);
    if (!loaded->feed) {
        loaded->renderer = nullptr;
        loaded->error = QStringLiteral("%1: %2").arg(name, error);
    }
    return loaded;
}

namespace {

// Gives every value input of the renderer's composition its value from `settings`, or its
// default when the settings name none.
void applyInputValues(QCRenderer* renderer, const CompositionInputSettings& settings) {
    for (const QCCompositionModel::Input& input : renderer->composition()->model().inputs) {
        if (input.isImage())
            continue;
        QCInputValue value = input.value;
        for (const auto& [name, text] : settings.values) {
            if (name != input.name)
                continue;
            if (const std::optional<QCInputValue> given = QCParseInputValue(input, text, nullptr))
                value = *given;
        }
        renderer->setValueForInputKey(value, input.name);
    }
}

// The rendered frame as a picture of its own.
QImage snapshot(QCRenderer* renderer) {
    NSBitmapImageRep* bitmap =
        renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep"));
    if (!bitmap)
        return {};
    QImage image = bitmap->qImage();
    bitmap->release();
    return image;
}

} // namespace

void PreviewEngine::renderLoop() {
    NSAutoreleasePool threadPool;
    Shared& s = *mShared;
    std::unique_ptr<Loaded> loaded;
    std::shared_ptr<const SoundSamples> sound;
    QString soundPath;
    double soundSeconds = -1.0;
    std::uint64_t loadedGeneration = 0;
    std::int64_t lastIndex = -1;
    Clock::time_point lastRender;
    double latency = 0.0; // seconds from choosing a frame to handing it on, averaged

    const auto publish = [this, &s](const QImage& image, double seconds) {
        {
            std::lock_guard frameLock(s.frameMutex);
            s.latestFrame = image;
            s.latestTime = seconds;
        }
        // A frame already on its way to the main thread takes this one with it.
        if (!s.deliveryPending.exchange(true))
            QMetaObject::invokeMethod(
                this, [this] { deliverFrame(); }, Qt::QueuedConnection);
    };

    std::unique_lock lock(s.mutex);
    while (!s.quit) {
        if (s.generation != loadedGeneration) {
            const std::uint64_t generation = s.generation;
            const RenderJob job = s.job;
            const QSize size = s.renderSize;
            const bool wantsSound = s.soundOutput;
            const double loop = s.loop;
            lock.unlock();
            loaded.reset();
            loaded = load(job, size, generation);
            // The sound is decoded again only when it is another file or a longer loop.
            const QString jobSound = wantsSound ? job.soundMoviePath() : QString();
            if (jobSound != soundPath || loop > soundSeconds) {
                sound.reset();
                soundPath = jobSound;
                soundSeconds = loop;
                if (!jobSound.isEmpty() && loaded->renderer) {
                    QString soundError;
                    if (std::optional<SoundSamples> samples =
                            QTReadSoundSamples(jobSound, loop + 0.5, &soundError))
                        sound = std::make_shared<const SoundSamples>(std::move(*samples));
                    else
                        NSLog("PreviewEngine: %@ gives no sound (%@)\n", jobSound, soundError);
                }
            }
            if (!loaded->error.isEmpty()) {
                NSLog("PreviewEngine: %@\n", loaded->error);
                const QString title = QFileInfo(job.compositionPath()).fileName();
                publish(PreviewMessageImage(size, title,
                                            PreviewCompilerMessageLine(loaded->error) +
                                                QStringLiteral("\n\n") + loaded->error),
                        0.0);
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, error = loaded->error, files = loaded->files,
                 heard = std::shared_ptr<const void>(sound)] {
                    loadFinished(generation, error, files, heard);
                },
                Qt::QueuedConnection);
            lock.lock();
            loadedGeneration = generation;
            lastIndex = -1;
            if (loaded->renderer) {
                s.valuesChanged = true;
                s.renderOnce = true;
            }
            continue;
        }
        QCRenderer* renderer = loaded ? loaded->renderer.get() : nullptr;
        if (!renderer || s.suspended) {
            s.wake.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        // While the clock runs, the frame is the one due when it will be shown: a frame takes
        // about `latency` to render and reach the main thread.
        const double position =
            s.running ? wrapIntoLoop(s.positionAt(now) + latency, s.loop) : s.positionAt(now);
        const std::int64_t index = s.frameIndexAt(position);
        const bool valuesChanged = std::exchange(s.valuesChanged, false);
        const bool forced = s.renderOnce || !s.events.isEmpty() || valuesChanged;
        if (!forced) {
            if (!s.running) {
                s.wake.wait(lock);
                continue;
            }
            // No faster than the display shows them; a little slack keeps a new frame from
            // waiting for the next display interval when the two rates meet.
            const auto interval = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(0.75 / s.displayRate));
            if (index == lastIndex) {
                // Until the clock reaches the next frame.
                const double next = double(index + 1) / s.framesPerSecond;
                const double wait = std::clamp(next - position, 0.001, 0.1);
                s.wake.wait_for(lock, std::chrono::duration<double>(wait));
                continue;
            }
            if (now - lastRender < interval) {
                s.wake.wait_until(lock, lastRender + interval);
                continue;
            }
        }
        s.renderOnce = false;
        const QStringList events = std::exchange(s.events, {});
        const RenderJob job = s.job;
        lock.unlock();

        NSAutoreleasePool framePool;
        if (valuesChanged)
            applyInputValues(renderer, job.inputs);
        const double frameTime = double(index) / double(std::max(1u, job.framesPerSecond));
        QString feedError;
        bool rendered = loaded->feed->prepareFrame(renderer, frameTime, &feedError);
        for (const QString& event : events)
            renderer->setValueForInputKey({1.0, 0.0, 0.0, 0.0}, event);
        rendered = rendered && renderer->renderAtTime(frameTime);
        if (!events.isEmpty())
            applyInputValues(renderer, job.inputs);
        lastRender = Clock::now();
        lastIndex = index;
        latency += (std::min(secondsBetween(now, lastRender), 0.25) - latency) * 0.2;
        if (rendered) {
            ++s.framesRendered;
            publish(snapshot(renderer), frameTime);
        } else if (!feedError.isEmpty()) {
            NSLog("PreviewEngine: %@\n", feedError);
        }
        lock.lock();
    }
    lock.unlock();
    loaded.reset();
}

void PreviewEngine::deliverFrame() {
    QImage frame;
    double seconds = 0.0;
    {
        std::lock_guard lock(mShared->frameMutex);
        frame = std::move(mShared->latestFrame);
        mShared->latestFrame = QImage();
        seconds = mShared->latestTime;
        mShared->deliveryPending = false;
    }
    if (frame.isNull())
        return;
    mShownFrame = frame;
    mShownFrameTime = seconds;
    ++mFramesDelivered;
    emit frameReady(frame, seconds);
    emit timeChanged(seconds);
}
