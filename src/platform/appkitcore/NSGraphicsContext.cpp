#include "platform/appkitcore/NSGraphicsContext.h"

#include "platform/coregraphics/CGContext.h"

namespace {
thread_local NSGraphicsContext* sCurrentContext = nullptr;
}

NSGraphicsContext::NSGraphicsContext(QPainter* painter) : mPainter(painter) {}

NSGraphicsContext::NSGraphicsContext(CGContextRef port)
    : mPainter(CGContextGetPainter(port)), mPort(CGContextRetain(port)) {}

NSGraphicsContext::~NSGraphicsContext() {
    CGContextRelease(mPort);
    if (sCurrentContext == this)
        sCurrentContext = nullptr;
}

NSGraphicsContext* NSGraphicsContext::currentContext() {
    return sCurrentContext;
}

void NSGraphicsContext::setCurrentContext(NSGraphicsContext* context) {
    sCurrentContext = context;
}

QPainter* NSGraphicsContext::currentPainter() {
    return sCurrentContext ? sCurrentContext->painter() : nullptr;
}

void NSGraphicsContext::saveGraphicsState() {
    if (sCurrentContext)
        CGContextSaveGState(sCurrentContext->graphicsPort());
}

void NSGraphicsContext::restoreGraphicsState() {
    if (sCurrentContext)
        CGContextRestoreGState(sCurrentContext->graphicsPort());
}

CGContextRef NSGraphicsContext::graphicsPort() {
    if (!mPort)
        mPort = CGContextCreateWithPainter(mPainter);
    return mPort;
}
