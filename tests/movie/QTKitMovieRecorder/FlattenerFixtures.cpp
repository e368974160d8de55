#include "movie/QTKitMovieRecorder/FlattenerFixtures.h"

#include "common/TestSupport.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "platform/appkit/NSBitmapImageRep.h"
#include "platform/qtkit/MovieInspector.h"

#include <QCoreApplication>
#include <QThread>

#include <thread>

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
    NSRef<QMovieFlattenerQueueOp> kept(operation);
    const int before = delegate->calls;
    std::thread queue([kept] { kept->main(); });
    const bool called = spinUntil([&] { return delegate->calls > before; });
    queue.join();
    return called;
}

} // namespace lumenreel::test
