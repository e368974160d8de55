#pragma once

#include "app/job/RenderJob.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <thread>

class PreviewSound;
class QFileSystemWatcher;
class QTimer;

// Plays a render job's composition live: a thread of its own renders it, on its own OpenGL
// context, at the preview's size and in real time, looping over the job's frames (the frames a
// render of the job writes, frame k at time k/fps). Each rendered frame goes to the main thread
// as a picture; a frame that finds the previous one not yet taken replaces it, so the main
// thread never has more than one frame waiting and never waits for the renderer.
//
// The clock is the job's sound while it plays through an audio device, otherwise a steady clock.
// The composition's file (and the files it loads) are watched: a change on disk reloads the
// composition. A composition that cannot play shows why, with the compiler's line, as the frame.
//
// Threads: every member function, and every signal, runs on the main thread.
class PreviewEngine : public QObject {
    Q_OBJECT
public:
    explicit PreviewEngine(QObject* parent = nullptr);
    ~PreviewEngine() override;
    PreviewEngine(const PreviewEngine&) = delete;
    PreviewEngine& operator=(const PreviewEngine&) = delete;

    // The job to play. A new composition, sound, rate, duration or input file reloads it; a
    // change of input values alone reaches the next frame without a reload. A job without a
    // composition shows nothing.
    void setJob(const RenderJob& job);
    RenderJob job() const;
    // The size frames are rendered at (the preview's size in device pixels); 320 x 240 at first.
    void setPreviewSize(QSize size);
    QSize previewSize() const;
    // The most frames a second shown (the display's rate), 60 at first.
    void setDisplayRate(double framesPerSecond);
    // Whether the job's sound is played (true at first). Without it, or without an audio
    // device, the steady clock leads.
    void setSoundOutputEnabled(bool enabled);

    // Playing and pausing; the preview plays once a job is set.
    void play();
    void pause();
    void togglePlaying();
    bool isPlaying() const;
    // Holds the preview without changing whether it plays (a job renders, the window is
    // hidden): no frames are rendered and the sound is silent while suspended.
    void setSuspended(bool suspended);
    bool isSuspended() const;
    // Moves the clock to `seconds` (brought into the loop) and shows that frame, paused or not.
    void seek(double seconds);
    // The clock's time, within the loop.
    double time() const;
    // The loop's length: the job's frame count divided by its rate.
    double loopDuration() const;
    // The frame shown at `seconds` of the loop: the index of the job's frame.
    std::int64_t frameIndexAt(double seconds) const;

    // Turns the event input `name` on for the next rendered frame only (the frame is rendered
    // even while paused).
    void fireEvent(const QString& name);

    // The last frame delivered and its time; null before the first.
    QImage currentFrame() const { return mShownFrame; }
    double currentFrameTime() const { return mShownFrameTime; }
    // Why the composition does not play (the compiler's first line with its line number
    // among it); empty while it plays.
    QString compositionError() const { return mCompositionError; }
    // Whether the sound is the clock now.
    bool soundIsClock() const;
    // Frames rendered on the preview's thread, and delivered to the main thread, since the
    // engine was made.
    std::uint64_t framesRendered() const;
    std::uint64_t framesDelivered() const { return mFramesDelivered; }
    // The files watched for changes: the composition's and those it loads.
    QStringList watchedFiles() const;

Q_SIGNALS:
    // A new frame to show, rendered for `seconds` of the loop.
    void frameReady(const QImage& frame, double seconds);
    // The clock moved, played or paused.
    void timeChanged(double seconds);
    void playingChanged(bool playing);
    // The composition was (re)loaded: `error` is empty when it plays, else why it does not.
    void compositionLoaded(const QString& error);

private:
    struct Shared;
    struct Loaded;
    void renderLoop();
    // Ends the render thread and the sound; the engine shows nothing more.
    void stop();
    // Render thread: loads the job's composition, input feed and sound; nullptr-free result.
    std::unique_ptr<Loaded> load(const RenderJob& job, QSize size, std::uint64_t generation);
    // Main thread: takes the latest frame and shows it.
    void deliverFrame();
    // Main thread: the render thread finished a load of `generation`.
    void loadFinished(std::uint64_t generation, const QString& error, const QStringList& files,
                      const std::shared_ptr<const void>& sound);
    void requestReload();
    void watchFiles(const QStringList& files);
    void fileChanged(const QString& path);
    void syncClockToSound();
    void updateSoundPlayback();
    void setClockRunning(bool running);

    std::shared_ptr<Shared> mShared;
    RenderJob mJob;
    QSize mSize{320, 240};
    bool mPlaying = true;
    bool mSuspended = false;
    bool mSoundOutput = true;
    QImage mShownFrame;
    double mShownFrameTime = 0.0;
    QString mCompositionError;
    std::uint64_t mFramesDelivered = 0;
    QFileSystemWatcher* mWatcher = nullptr;
    // Re-adds files that an editor replaced (saved under another name and renamed), and gathers
    // the changes of one save into one reload.
    QTimer* mReloadTimer = nullptr;
    QTimer* mClockTimer = nullptr;
    QStringList mWatchedFiles;
    int mMissingFileRetries = 0;
    std::unique_ptr<PreviewSound> mSound;
    std::unique_ptr<std::thread> mThread;
};
