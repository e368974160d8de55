#include "platform/foundation/NSThread.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObject.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

thread_local double tThreadPriority = 0.5;

QThread::Priority qtPriority(double priority) {
    if (priority >= 1.0)
        return QThread::TimeCriticalPriority;
    if (priority >= 0.85)
        return QThread::HighestPriority;
    if (priority >= 0.6)
        return QThread::HighPriority;
    if (priority >= 0.4)
        return QThread::NormalPriority;
    if (priority >= 0.15)
        return QThread::LowPriority;
    if (priority > 0.0)
        return QThread::LowestPriority;
    return QThread::IdlePriority;
}

// Runs a queued main-thread call, reporting a platform exception instead of letting it unwind
// through the event loop.
void runGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const NSException& exception) {
        std::fprintf(stderr, "*** Exception %s in a main-thread call: %s\n",
                     qPrintable(exception.name()), qPrintable(exception.reason()));
    }
}

} // namespace

bool NSThread::isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void NSThread::detachNewThreadSelector(const QString& selector, NSObject* target,
                                       NSObject* argument) {
    NSRef<NSObject> retainedTarget(target);
    NSRef<NSObject> retainedArgument(argument);
    detachNewThreadWithBlock([retainedTarget, retainedArgument, selector]() {
        retainedTarget->performSelector(selector, retainedArgument.get());
    });
}

void NSThread::detachNewThreadWithBlock(std::function<void()> block) {
    std::thread([block = std::move(block)]() { block(); }).detach();
}

bool NSThread::setThreadPriority(double priority) {
    priority = std::clamp(priority, 0.0, 1.0);
    tThreadPriority = priority;
    // The main thread keeps its priority; other threads are Qt threads (adopted when needed).
    if (!isMainThread())
        QThread::currentThread()->setPriority(qtPriority(priority));
    return true;
}

double NSThread::threadPriority() {
    return tThreadPriority;
}

bool NSThread::runOnMainThread(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::fprintf(stderr, "*** No application object: a main-thread call was dropped\n");
        return false;
    }
    QMetaObject::invokeMethod(
        app, [work = std::move(work)]() { runGuarded(work); }, Qt::QueuedConnection);
    return true;
}

bool NSThread::runOnMainThreadAndWait(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::fprintf(stderr, "*** No application object: a main-thread call was dropped\n");
        return false;
    }
    if (QThread::currentThread() == app->thread()) {
        runGuarded(work);
        return true;
    }
    QMetaObject::invokeMethod(
        app, [&work]() { runGuarded(work); }, Qt::BlockingQueuedConnection);
    return true;
}
