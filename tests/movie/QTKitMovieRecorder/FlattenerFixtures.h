#pragma once

#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOpDelegate.h"
#include "platform/foundation/NSObject.h"

#include <QString>

#include <atomic>

namespace lumenreel::test {

// Records the completion calls of flattener operations.
class RecordingFlattenerDelegate : public NSObject, public QMovieFlattenerQueueOpDelegate {
public:
    void movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) override;
    std::atomic<int> calls = 0;
    bool succeeded = false;
    bool onMainThread = false;
};

// Records a temporary video movie of `frames` frames of 20/600 s each (24x16 pixels) at `path`,
// the way a render job does.
bool recordVideoMovie(const QString& path, int frames);

// Runs `operation` on an operation queue of one, and waits on the main thread's event loop for
// the delegate's call. False when it does not come.
bool runOnQueueThread(QMovieFlattenerQueueOp* operation, RecordingFlattenerDelegate* delegate);

} // namespace lumenreel::test
