#include "platform/foundation/dispatch.h"

#include "platform/foundation/NSThread.h"

#include <cstdio>

struct dispatch_queue_s {};

dispatch_queue_t dispatch_get_main_queue() {
    static dispatch_queue_s sMainQueue;
    return &sMainQueue;
}

void dispatch_async(dispatch_queue_t queue, std::function<void()> block) {
    if (queue != dispatch_get_main_queue()) {
        std::fprintf(stderr, "*** dispatch_async: unknown queue; the block was dropped\n");
        return;
    }
    NSThread::runOnMainThread(std::move(block));
}
