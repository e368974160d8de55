#pragma once

#include <QObject>
#include <QString>

#include <memory>

struct SoundSamples;
class QAudioSink;
class PreviewSoundSource;

// Plays decoded sound through the default audio device, looping over the first seconds of it,
// and tells what is heard now: the clock the preview's pictures follow. Main thread only.
class PreviewSound : public QObject {
    Q_OBJECT
public:
    explicit PreviewSound(QObject* parent = nullptr);
    ~PreviewSound() override;
    PreviewSound(const PreviewSound&) = delete;
    PreviewSound& operator=(const PreviewSound&) = delete;

    // Prepares `samples` for playing, looping over their first `loopSeconds`. False, with the
    // reason, when there is no audio device or it cannot play them; nothing plays then.
    bool open(std::shared_ptr<const SoundSamples> samples, double loopSeconds, QString* out_error);
    bool isOpen() const { return mSink != nullptr; }
    // The samples played; null before open.
    const SoundSamples* samples() const { return mSamples.get(); }
    void setLoop(double loopSeconds);

    void setPlaying(bool playing);
    bool isPlaying() const { return mPlaying; }
    // Plays on from `seconds` (brought into the loop).
    void seek(double seconds);
    // The time heard now, within the loop: what was handed to the device less what it still
    // holds.
    double position() const;
    // The device stopped with an error after opening: the sound is no clock any more.
    bool hasFailed() const { return mFailed; }

Q_SIGNALS:
    void failed(const QString& reason);

private:
    void restartAt(double seconds);

    std::shared_ptr<const SoundSamples> mSamples;
    std::unique_ptr<PreviewSoundSource> mSource;
    std::unique_ptr<QAudioSink> mSink;
    double mStartSeconds = 0.0;
    double mPausedAt = 0.0;
    bool mPlaying = false;
    bool mStarted = false;
    bool mFailed = false;
};
