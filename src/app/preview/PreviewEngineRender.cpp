// The preview engine's render thread: loading the job's composition, and the loop that renders
// the frame the clock has reached and hands it to the main thread.

#include "app/preview/PreviewEngine.h"

#include "app/preview/PreviewEngineShared.h"
#include "app/preview/PreviewMessageImage.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/foundation/NSLog.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <QFileInfo>

using previewengine::Clock;
using previewengine::secondsBetween;
using previewengine::wrapIntoLoop;

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
