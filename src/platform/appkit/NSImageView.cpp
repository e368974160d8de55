#include "platform/appkit/NSImageView.h"

#include "platform/appkit/NSImage.h"

NSImageView::NSImageView() = default;

NSImageView::~NSImageView() {
    if (mImage)
        mImage->release();
}

void NSImageView::setImage(NSImage* image) {
    if (image)
        image->retain();
    if (mImage)
        mImage->release();
    mImage = image;
    ++mChangeCount;
    Q_EMIT imageChanged();
}
