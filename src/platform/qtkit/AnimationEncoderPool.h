#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QImage;
struct AVPacket;

namespace qtkit {

// Encodes pictures with the Animation codec on a pool of threads and hands their packets on in
// picture order, on a writer thread of its own, while the caller goes on making pictures.
//
// The codec starts a key frame every group of pictures and codes each other picture against the
// picture before it, losslessly, so a group can be encoded alone: group g goes to the encoder of
// thread g mod N, which thus only ever sees whole groups (but for the movie's last), and the
// packets are byte for byte those that one encoder makes of the whole sequence.
//
// At most `maxInFlight` pictures are held at once (handed over but not yet through the sink);
// handing over more waits, so memory does not grow with the number of pictures. A failure of an
// encoder or of the sink is sticky: the pool stops, and every later call reports the first one.
class AnimationEncoderPool {
public:
    struct Settings {
        int width = 0;
        int height = 0;
        int timeScale = 600;
        int threads = 1;
        int maxInFlight = 1;

        // The settings for `requestedThreads` (0: one per processor core) at this size: held
        // pictures stay within kInFlightBudgetBytes of source pixels, and there are no more
        // threads than whole groups fit into that.
        static Settings forPictures(int width, int height, int timeScale, int requestedThreads);
    };
    // Pixel bytes of the pictures in flight, whatever their size (at least two pictures).
    static constexpr std::int64_t kInFlightBudgetBytes = std::int64_t(2) << 30;

    // Takes each packet, in picture order, on the writer thread; `more` says whether further
    // packets are ready right now (the sink may leave flushing its file to the last of them).
    // Returns false with `out_error` set to fail the pool.
    using Sink = std::function<bool(AVPacket* packet, bool more, QString* out_error)>;

    // Null and `out_error` on failure.
    static std::unique_ptr<AnimationEncoderPool> create(const Settings& settings, Sink sink,
                                                        QString* out_error);
    // Stops the threads; pictures not yet through the sink are dropped.
    ~AnimationEncoderPool();
    AnimationEncoderPool(const AnimationEncoderPool&) = delete;
    AnimationEncoderPool& operator=(const AnimationEncoderPool&) = delete;

    // Hands over `picture` (straight-alpha RGBA of the pool's size, shared, not copied) to show
    // from `pts` for `duration` units. Waits while the pool holds its most pictures. False with
    // the pool's failure once it has failed.
    bool submit(const QImage& picture, std::int64_t pts, std::int64_t duration, QString* out_error);
    // False with the pool's failure once it has failed; does not wait.
    bool healthy(QString* out_error) const;
    // Waits until every picture handed over is through the sink; false with the pool's failure.
    bool drain(QString* out_error);

    const Settings& settings() const;

    struct Impl;

private:
    AnimationEncoderPool();
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
