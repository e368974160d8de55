#include "platform/quartzcomposer/QCSnapshotImages.h"

#include <atomic>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Mapping {
    void* address;
    std::size_t length;
};

void unmap(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    ::munmap(mapping->address, mapping->length);
    delete mapping;
}

// A picture over memory of its own mapping, in huge pages where offered.
QImage mappedImage(int width, int height) {
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const std::size_t rowBytes = std::size_t(width) * 4;
    const std::size_t pageBytes = std::size_t(::sysconf(_SC_PAGESIZE));
    const std::size_t length =
        (rowBytes * std::size_t(height) + pageBytes - 1) / pageBytes * pageBytes;
    void* address =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED)
        return QImage();
    // Huge pages only where the picture fills them: one over a picture's end (or a small
    // picture's whole) would grow to 2 MiB once the system gathers its pages.
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t from = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t to = (start + length) / kHugePage * kHugePage;
    if (to > from) // advice only: small pages work alike
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    auto* mapping = new Mapping{address, length};
    QImage image(static_cast<uchar*>(address), width, height, qsizetype(rowBytes),
                 QImage::Format_RGBA8888, unmap, mapping);
    if (image.isNull())
        unmap(mapping);
    return image;
}

} // namespace

QCSnapshotImages::QCSnapshotImages(std::size_t keptBytes) : mKeptBytes(keptBytes) {}

QImage QCSnapshotImages::take(int width, int height, uchar** out_pixels) {
    if (width <= 0 || height <= 0)
        return QImage();
    std::size_t keptBytes = 0;
    for (auto image = mKept.begin(); image != mKept.end();) {
        if (image->width() != width || image->height() != height) {
            image = mKept.erase(image);
            continue;
        }
        if (image->isDetached()) {
            // The last holder let go on another thread: its reads happen before our writes.
            std::atomic_thread_fence(std::memory_order_acquire);
            *out_pixels = const_cast<uchar*>(image->constBits());
            return *image;
        }
        keptBytes += std::size_t(image->sizeInBytes());
        ++image;
    }
    QImage image = mappedImage(width, height);
    if (image.isNull())
        image = QImage(width, height, QImage::Format_RGBA8888);
    if (!image.isNull() && keptBytes + std::size_t(image.sizeInBytes()) <= mKeptBytes)
        mKept.push_back(image);
    *out_pixels = const_cast<uchar*>(image.constBits());
    return image;
}
