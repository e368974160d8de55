#pragma once

#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSObject.h"

#include <QList>
#include <QString>

// A window that shows every colour-view class and every tool-button and info-graphic kind (off
// and on), for screenshots and for timing one redraw.
struct Gallery {
    NSRef<NSWindow> window;
    // The placed views, each with its class name.
    QList<NSRef<NSView>> views;
};

// The gallery's size in points.
constexpr double kGalleryWidth = 680;
constexpr double kGalleryHeight = 420;

Gallery makeGallery();
