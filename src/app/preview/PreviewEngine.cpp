#include "app/preview/PreviewEngine.h"

#include "app/job/MovingInputs.h"
#include "app/preview/PreviewEngineShared.h"
#include "app/preview/PreviewSound.h"
#include "platform/foundation/NSLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

using previewengine::Clock;
using previewengine::wrapIntoLoop;

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
           before.inputs.files != after.inputs.files ||
           // The feed gives the inputs that move their value at each frame.
           movingInputSettings(before.inputs.values) != movingInputSettings(after.inputs.values);
}

// How long to hear of a watched file's change before reloading, and how often to look again
// for a file that an editor's save took away for a moment.
constexpr int kReloadDelay_ms = 120;
constexpr int kMissingFileRetries = 25;

} // namespace

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
    mShared->anchorSeconds = std::abs(error) > 0.1 ? heard : predicted + error * 0.1;
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
