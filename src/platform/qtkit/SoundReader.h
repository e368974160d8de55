#pragma once

#include "platform/qtkit/SoundSamples.h"

#include <QString>

#include <cstdint>
#include <memory>

// Reads the first sound track of a file in order, holding only the samples asked for last: the
// memory it takes does not grow with the track's length. The samples it gives for a stretch of
// the track are those a decoding of the whole track gives there, whatever was asked for before
// (a stretch before the held one reads the track again, or seeks where that is exact).
class SoundReader {
public:
    // Nothing, with the reason in `out_error`, when the file cannot be read or has no sound
    // track it can decode.
    static std::unique_ptr<SoundReader> open(const QString& path, QString* out_error);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    int sampleRate() const;
    int channelCount() const;

    // Holds the samples from track sample `from` up to `end` (exclusive; those past the track's
    // end stay silence) and lets go of those before `from`. False, with the reason, when the
    // track stops being readable.
    bool hold(std::int64_t from, std::int64_t end, QString* out_error);
    // What is held: samples().first is the track index of the first one.
    const SoundSamples& samples() const;
    // The samples held per channel, the decoded ones not yet asked for included.
    std::size_t heldSampleCount() const;
    // How many times the track was read again from its start or sought in.
    int repositionCount() const;
    // Whether the reader seeks in the track (every packet decodes alone and time stamps count
    // samples) rather than decode its way to a stretch.
    bool seeksExactly() const;

private:
    struct Impl;
    explicit SoundReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};
