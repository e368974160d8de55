#pragma once

#include "platform/appkit/NSView.h"

class NSImage;

// A view that shows an image, scaled down to fit and centred; `imageChanged` tells anything else
// that shows it. Main thread only.
class NSImageView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSImageView)
    Q_PROPERTY(int imageFrameStyle MEMBER mImageFrameStyle)
public:
    NSImageView();
    ~NSImageView() override;

    NSImage* image() const { return mImage; }
    // Retains the new image and releases the old one; nil clears the view.
    void setImage(NSImage* image);
    // Number of times an image was set.
    quint64 imageChangeCount() const { return mChangeCount; }

    void drawRect(const NSRect& dirtyRect) override;

Q_SIGNALS:
    void imageChanged();

private:
    NSImage* mImage = nullptr;
    // 0: none; 1: a grey bezel around the view, so that an empty view shows where it is.
    int mImageFrameStyle = 0;
    quint64 mChangeCount = 0;
};

int import_NSImageView();
