#include "movie/QTKitMovieRecorder/FlattenerFixtures.h"

#include "common/TestSupport.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/qtkit/MovieInspector.h"

#include <QCoreApplication>
#include <QThread>

namespace lumenreel::test {

void RecordingFlattenerDelegate::movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) {
    onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    succeeded = operation->succeeded();
    ++calls;
}

bool recordVideoMovie(const QString& path, int frames) {
    NSAutoreleasePool pool;
    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(new QStillFrameMovieRecorder);
    if (!recorder->beginRecordingMovieFile(path))
        return false;
    for (int frame = 0; frame < frames; ++frame) {
        NSRef<NSBitmapImageRep> bitmap =
            NSAdopt(new NSBitmapImageRep(makeTestPicture(24, 16, frame)));
        if (!recorder->addFrameBitmapImageRep(bitmap.get(), 1.0 / 30))
            return false;
    }
    return recorder->endRecordingMovie();
}

bool runOnQueueThread(QMovieFlattenerQueueOp* operation, RecordingFlattenerDelegate* delegate) {
    const int before = delegate->calls;
    NSRef<NSOperationQueue> queue = NSAdopt(new NSOperationQueue);
    queue->setMaxConcurrentOperationCount(1);
    queue->addOperation(operation);
    const bool called = spinUntil([&] { return delegate->calls > before; });
    queue->waitUntilAllOperationsAreFinished();
    return called;
}

} // namespace lumenreel::test
