#include "platform/appkit/NSButtonCell.h"

#include "platform/appkitcore/NSImage.h"

NSButtonCell::NSButtonCell() = default;

NSButtonCell::~NSButtonCell() {
    setImage(nullptr);
    setAlternateImage(nullptr);
}

int NSButtonCell::cellAttribute(int attribute) const {
    return attribute >= 0 && attribute < int(mAttributes.size()) ? mAttributes[attribute] : 0;
}

void NSButtonCell::setCellAttribute(int attribute, int value) {
    if (attribute >= 0 && attribute < int(mAttributes.size()))
        mAttributes[attribute] = value;
}

namespace {
void replace(NSImage*& slot, NSImage* image) {
    if (image)
        image->retain();
    if (slot)
        slot->release();
    slot = image;
}
} // namespace

void NSButtonCell::setImage(NSImage* image) {
    replace(mImage, image);
}

void NSButtonCell::setAlternateImage(NSImage* image) {
    replace(mAlternateImage, image);
}
