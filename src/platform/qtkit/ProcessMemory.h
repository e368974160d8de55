#pragma once

namespace qtkit {

// Sets the allocator up for a process that records or writes movies, before it starts threads:
// frames and packets of megabytes come and go every frame, and memory handed back to the system
// costs a page fault per page when asked for again, so freed memory is kept for reuse. (The
// Animation packets, made on encoder threads and freed on the writer thread, come from a pool of
// their own; each thread keeps its heap, so that the threads' blocks of other sizes do not leave
// holes between each other's.)
void keepFreedMemoryForReuse();

} // namespace qtkit
