#pragma once

#include <QImage>

#include <cstddef>
#include <vector>

// The pictures a renderer hands out, each taken back for a later frame once every holder has
// let it go. A movie job snapshots thousands of frames of one size, and on some machines memory
// touched for the first time costs more than drawing the frame: reused pictures cost nothing.
// The pictures' memory is asked for in huge pages where the system offers them.
class QCSnapshotImages {
public:
    // At most `keptBytes` of pictures are kept for reuse; pictures beyond are not kept.
    explicit QCSnapshotImages(std::size_t keptBytes = std::size_t(512) << 20);

    // An RGBA8888 picture of `width` x `height` that nobody else holds, and its pixels to fill
    // (a kept picture is shared with this list, so writing through the picture would copy it);
    // null without memory.
    QImage take(int width, int height, uchar** out_pixels);

private:
    std::size_t mKeptBytes;
    std::vector<QImage> mKept;
};
