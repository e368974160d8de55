#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct AVCodecContext;
struct AVPacket;
struct DeliveryFormat;

namespace qtkit {

struct LivePicture;

// Encodes pictures after the recipe of a delivery format, as they come from `source`, into
// packets handed on in picture order.
//
// Formats whose every picture stands alone (ProRes, HAP) are encoded a picture per thread, each
// thread converting and encoding whole pictures with an encoder of its own, so that the pictures
// are encoded at once; the others (H.264) go through one encoder with threads of its own. At most
// maxPicturesInFlight() pictures are held at once (taken from the source, not yet handed on).
class DeliveryEncoder {
public:
    // The next picture: 1 with the picture, 0 after the last, -1 on failure with the text.
    using Source = std::function<int(LivePicture* out_picture, QString* out_error)>;

    // `first` is the source's first picture, already taken, and gives the size and time scale;
    // `globalHeader` asks for the codec's headers apart, as some containers want them. Null and
    // `out_error` on failure.
    static std::unique_ptr<DeliveryEncoder> create(const DeliveryFormat& format,
                                                   const LivePicture& first, Source source,
                                                   bool globalHeader, QString* out_error);
    // Stops the threads; the source must no longer block them (it answers -1 or 0).
    ~DeliveryEncoder();
    DeliveryEncoder(const DeliveryEncoder&) = delete;
    DeliveryEncoder& operator=(const DeliveryEncoder&) = delete;

    // The encoder's settings, for the parameters of the track.
    const AVCodecContext* context() const;
    // Threads that encode pictures at once (1: one encoder, maybe with threads of its own).
    int pictureThreads() const;
    int maxPicturesInFlight() const;

    // The next packet, timestamps in the pictures' time scale: 1 with `packet` filled, 0 after
    // the last, -1 on failure with `out_error`. A failure is sticky.
    int next(AVPacket* packet, QString* out_error);

    struct Impl;

private:
    DeliveryEncoder();
    std::unique_ptr<Impl> mImpl;
};

// The machine's processor cores, 1 to 64: the threads and pieces of a picture encoders use.
int encoderCores();
// Lets the render go first: the calling thread, an encoder or writer that the render feeds, takes
// the cores the render leaves (threads it starts inherit that).
void yieldToTheRender();

} // namespace qtkit
