#pragma once

#include "platform/appkit/NSView.h"

class NSImage;

// A view that shows an image, scaled down to fit and centred; `imageChanged` tells anything else
// that shows it. Main thread only.
class NSImageView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSImageView)
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
    quint64 mChangeCount = 0;
};

int import_NSImageView();
