#pragma once

class QMovieFlattenerQueueOp;

// Told on the main thread when a flattener operation has finished, successfully or not.
class QMovieFlattenerQueueOpDelegate {
public:
    virtual ~QMovieFlattenerQueueOpDelegate() = default;
    virtual void movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) = 0;
};
