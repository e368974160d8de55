#pragma once

#include <functional>

// The main dispatch queue: blocks run in order on the main thread's event loop.
struct dispatch_queue_s;
using dispatch_queue_t = dispatch_queue_s*;

dispatch_queue_t dispatch_get_main_queue();
// Queues `block` on `queue` and returns at once. Only the main queue exists here; a null queue is
// refused with a line on standard error.
void dispatch_async(dispatch_queue_t queue, std::function<void()> block);
