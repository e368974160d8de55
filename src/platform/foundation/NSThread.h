#pragma once

#include <QString>

#include <functional>

class NSObject;

// Threads of the object model: the main thread (the one running the Qt event loop) and detached
// threads.
class NSThread {
public:
    static bool isMainThread();

    // Starts a detached thread that calls `selector` of `target` with `argument`. The target and
    // the argument are retained until the call returns. The thread opens no release scope of its
    // own; the method does that.
    static void detachNewThreadSelector(const QString& selector, NSObject* target,
                                        NSObject* argument);
    static void detachNewThreadWithBlock(std::function<void()> block);

    // Scheduling priority of the calling thread, 0.0 (lowest) to 1.0 (highest); 0.5 unless set.
    // Returns true when the value was applied.
    static bool setThreadPriority(double priority);
    static double threadPriority();

    // Queues `work` on the main thread's event loop and returns at once. False (and a line on
    // standard error) when there is no application object to run it.
    static bool runOnMainThread(std::function<void()> work);
    // Runs `work` on the main thread and returns when it is done: at once on the main thread,
    // otherwise through the event loop while the caller blocks.
    static bool runOnMainThreadAndWait(std::function<void()> work);
};
