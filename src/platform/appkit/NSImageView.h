#pragma once

#include "platform/foundation/NSObject.h"

class NSImage;

// The image an image view shows. Whoever draws it listens to `imageChanged`. Main thread only.
class NSImageView : public NSObject {
    Q_OBJECT
public:
    NSImageView();
    ~NSImageView() override;

    NSImage* image() const { return mImage; }
    // Retains the new image and releases the old one; nil clears the view.
    void setImage(NSImage* image);
    // Number of times an image was set.
    quint64 imageChangeCount() const { return mChangeCount; }

Q_SIGNALS:
    void imageChanged();

private:
    NSImage* mImage = nullptr;
    quint64 mChangeCount = 0;
};
