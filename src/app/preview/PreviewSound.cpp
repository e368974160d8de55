#include "app/preview/PreviewSound.h"

#include "platform/qtkit/SoundSamples.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

// The samples as the device reads them: interleaved floats (one or two channels), endlessly
// repeating the loop.
class PreviewSoundSource : public QIODevice {
public:
    PreviewSoundSource(const SoundSamples& samples, int channels) : mChannels(channels) {
        const std::size_t frames = samples.frameCount();
        mData.resize(frames * std::size_t(channels));
        for (std::size_t frame = 0; frame < frames; ++frame) {
            for (int channel = 0; channel < channels; ++channel) {
                const auto& source = samples.channels[std::min<std::size_t>(
                    std::size_t(channel), samples.channels.size() - 1)];
                mData[frame * std::size_t(channels) + std::size_t(channel)] = source[frame];
            }
        }
    }

    void setLoopFrames(std::int64_t frames) { mLoopFrames = std::max<std::int64_t>(frames, 1); }
    std::int64_t loopFrames() const { return mLoopFrames; }
    void setFrame(std::int64_t frame) { mFrame = frame % mLoopFrames; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return qint64(mLoopFrames) * mChannels * qint64(sizeof(float)) +
               QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 frameBytes = mChannels * qint64(sizeof(float));
        const qint64 frames = maxSize / frameBytes;
        auto* out = reinterpret_cast<float*>(data);
        const auto held = std::int64_t(mData.size() / std::size_t(mChannels));
        for (qint64 written = 0; written < frames; ++written) {
            for (int channel = 0; channel < mChannels; ++channel)
                *out++ =
                    mFrame < held
                        ? mData[std::size_t(mFrame) * std::size_t(mChannels) + std::size_t(channel)]
                        : 0.0f;
            mFrame = (mFrame + 1) % mLoopFrames;
        }
        return frames * frameBytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int mChannels;
    std::vector<float> mData;
    std::int64_t mLoopFrames = 1;
    std::int64_t mFrame = 0;
};

PreviewSound::PreviewSound(QObject* parent) : QObject(parent) {}

PreviewSound::~PreviewSound() {
    if (mSink)
        mSink->stop();
}

bool PreviewSound::open(std::shared_ptr<const SoundSamples> samples, double loopSeconds,
                        QString* out_error) {
    if (!samples || samples->sampleRate <= 0 || samples->channels.empty()) {
        *out_error = QStringLiteral("no samples");
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        *out_error = QStringLiteral("no audio output device");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(samples->sampleRate);
    format.setChannelCount(std::min<int>(2, int(samples->channels.size())));
    format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format)) {
        *out_error = QStringLiteral("the audio device does not play %1 Hz, %2 channels")
                         .arg(format.sampleRate())
                         .arg(format.channelCount());
        return false;
    }
    mSamples = std::move(samples);
    mSource = std::make_unique<PreviewSoundSource>(*mSamples, format.channelCount());
    mSource->open(QIODevice::ReadOnly);
    mSink = std::make_unique<QAudioSink>(device, format);
    connect(mSink.get(), &QAudioSink::stateChanged, this, [this](QAudio::State) {
        if (!mSink || mSink->error() == QAudio::NoError || mSink->error() == QAudio::UnderrunError)
            return;
        if (!mFailed) {
            mFailed = true;
            emit failed(QStringLiteral("audio device error %1").arg(int(mSink->error())));
        }
    });
    setLoop(loopSeconds);
    return true;
}

void PreviewSound::setLoop(double loopSeconds) {
    if (!mSource)
        return;
    mSource->setLoopFrames(std::llround(std::max(loopSeconds, 0.001) * mSamples->sampleRate));
}

void PreviewSound::restartAt(double seconds) {
    if (!mSink)
        return;
    const double loop = double(mSource->loopFrames()) / mSamples->sampleRate;
    seconds = loop > 0 ? std::fmod(std::max(seconds, 0.0), loop) : 0.0;
    mSink->stop();
    mSource->setFrame(std::llround(seconds * mSamples->sampleRate));
    mStartSeconds = seconds;
    mPausedAt = seconds;
    mStarted = false;
    if (mPlaying) {
        mSink->start(mSource.get());
        mStarted = true;
    }
}

void PreviewSound::setPlaying(bool playing) {
    if (!mSink || playing == mPlaying)
        return;
    mPlaying = playing;
    if (playing) {
        if (mStarted)
            mSink->resume();
        else
            restartAt(mPausedAt);
    } else {
        mPausedAt = position();
        mSink->suspend();
    }
}

void PreviewSound::seek(double seconds) {
    mPausedAt = seconds;
    restartAt(seconds);
}

double PreviewSound::position() const {
    if (!mSink)
        return 0.0;
    if (!mPlaying || !mStarted)
        return mPausedAt;
    // The sink's processed time is what the device has played: the server's read position less
    // its latency, moved on by the time since the server last said so. What still waits in the
    // buffer is not heard yet, and is already left out of it.
    const double loop = double(mSource->loopFrames()) / mSamples->sampleRate;
    const double heard = mStartSeconds + double(mSink->processedUSecs()) / 1e6;
    return loop > 0 ? std::fmod(std::max(heard, 0.0), loop) : 0.0;
}
