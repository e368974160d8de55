#pragma once

class QPainter;

using CGContextRef = struct CGContext*;

// A drawing destination: the painter that drawRect: (or an image with focus locked) draws with,
// in y-up coordinates, and its Core Graphics context. The current context is per thread and set
// only while something draws. Main thread only.
class NSGraphicsContext {
public:
    // Draws with `painter`, which must outlive this context.
    explicit NSGraphicsContext(QPainter* painter);
    // Draws into `port` (retained), for example a recording context.
    explicit NSGraphicsContext(CGContextRef port);
    ~NSGraphicsContext();
    NSGraphicsContext(const NSGraphicsContext&) = delete;
    NSGraphicsContext& operator=(const NSGraphicsContext&) = delete;

    // The current context, or null outside drawing.
    static NSGraphicsContext* currentContext();
    static void setCurrentContext(NSGraphicsContext* context);
    // The current context's painter, or null outside drawing.
    static QPainter* currentPainter();
    // Save and restore the current context's graphics state.
    static void saveGraphicsState();
    static void restoreGraphicsState();

    QPainter* painter() const { return mPainter; }
    // The Core Graphics context over the painter, made on first use and shared by every caller.
    CGContextRef graphicsPort();

private:
    QPainter* mPainter;
    CGContextRef mPort = nullptr;
};
