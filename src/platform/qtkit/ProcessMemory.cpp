#include "platform/qtkit/ProcessMemory.h"

#include <malloc.h>

namespace qtkit {

void keepFreedMemoryForReuse() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

} // namespace qtkit
