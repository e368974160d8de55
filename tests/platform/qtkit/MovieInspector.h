#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

#include <csignal>

#include <sys/resource.h>

namespace lumenreel::test {

// What libavformat and libavcodec read from a movie file.
struct InspectedTrack {
    QString mediaType; // "video", "audio", ...
    QString codec;
    int width = 0;
    int height = 0;
    int timeBaseNum = 0;
    int timeBaseDen = 0;
    std::int64_t startTime = 0;    // in the time base
    std::int64_t duration = 0;     // the stream's length in the time base, as the reader says
    QList<std::int64_t> packetPts; // in the time base, in file order
    // Each packet's length: up to the next packet, the last one up to the stream's length.
    QList<std::int64_t> packetDurations;
    double seconds = 0; // the stream's end in seconds, from time 0
};

struct InspectedMovie {
    bool opened = false;
    QString error;
    QString majorBrand;
    QString copyright;
    bool hasCopyright = false;
    QList<InspectedTrack> tracks;
};

InspectedMovie inspectMovie(const QString& path);

// A packet of a stream as stored in the file.
struct StoredPacket {
    std::int64_t pts = 0;
    std::int64_t dts = 0;
    bool key = false;
    QByteArray data;

    bool operator==(const StoredPacket&) const = default;
};

// Every packet of stream `stream` in file order; empty when the file cannot be read.
QList<StoredPacket> readStoredPackets(const QString& path, int stream);

// Every picture of the video stream `stream`, decoded and converted to straight-alpha RGBA.
QList<QImage> decodeVideoFrames(const QString& path, int stream);

// The bytes of the file at `path`; empty when it cannot be read.
QByteArray contentsOf(const QString& path);

// Writes `bytes` to the file at `path`; false when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes);

// Runs the ffmpeg program with `arguments` (after "-hide_banner -loglevel error -y").
bool runFfmpeg(const QStringList& arguments);

// A picture of `width` x `height` with varied colours and alpha, different for every `seed`.
QImage makeTestPicture(int width, int height, int seed);

// Limits the size of the files this process writes, and ignores the signal a write past it
// raises, for the object's lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit mSaved{};
    void (*mSavedHandler)(int) = SIG_DFL;
};

} // namespace lumenreel::test
