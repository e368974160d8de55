#pragma once

namespace qtkit {

// Sets the allocator up for a process that records or writes movies, before it starts threads:
// frames and packets of megabytes come and go every frame, and memory handed back to the system
// costs a page fault per page when asked for again. Freed memory is kept for reuse, in one heap
// for all threads: the encoder threads' packets are freed by the writer thread, and a heap of
// their own would be unmapped and mapped again as their packets come and go.
void keepFreedMemoryForReuse();

} // namespace qtkit
