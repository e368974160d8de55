#include "platform/appkit/NSImage.h"

#include "platform/appkit/NSBitmapImageRep.h"

NSImage::NSImage(QSizeF size) : mSize(size) {}

NSImage::~NSImage() {
    for (NSBitmapImageRep* representation : mRepresentations)
        representation->release();
}

void NSImage::addRepresentation(NSBitmapImageRep* representation) {
    if (!representation)
        return;
    representation->retain();
    mRepresentations.append(representation);
}

NSBitmapImageRep* NSImage::bitmapRepresentation() const {
    return mRepresentations.isEmpty() ? nullptr : mRepresentations.first();
}
