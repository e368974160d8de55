#pragma once

// What the preview engine's main-thread side and its render thread share: the job to play, the
// clock and the latest frame. Private to the engine's files.

#include "app/job/CompositionInputs.h"
#include "app/preview/PreviewEngine.h"
#include "platform/qtkit/SoundSamples.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QImage>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace previewengine {

using Clock = std::chrono::steady_clock;

inline double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// `seconds` brought into [0, loop).
inline double wrapIntoLoop(double seconds, double loop) {
    if (!(loop > 0) || !std::isfinite(seconds))
        return 0.0;
    const double wrapped = std::fmod(seconds, loop);
    return wrapped < 0 ? wrapped + loop : wrapped;
}

} // namespace previewengine

struct PreviewEngine::Shared {
    using Clock = previewengine::Clock;
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
        const double raw =
            running ? anchorSeconds + previewengine::secondsBetween(anchorAt, now) : anchorSeconds;
        return previewengine::wrapIntoLoop(raw, loop);
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
