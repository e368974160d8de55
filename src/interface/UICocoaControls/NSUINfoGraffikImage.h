#pragma once

#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSObject.h"

#include <array>

class NSUIToolButton;

// Red, green, blue and alpha.
using color_4D = std::array<float, 4>;

// A button picture painted in code: a background shape in the button's colour for a state (a
// circle or a rounded square, by kind) with a named picture on it: the main bundle's PDF
// resource of that name, else the named platform image, else nothing. Main thread only.
//
// Kinds: 0 a rounded square (radius 8, or 12 above 64 points) on the whole square; 1 a circle
// with the picture at 0.8 of its side; 2 (and unknown kinds) a rounded square moved left and
// down by half the margin; 3 and 4 a circle with the picture at 0.9. Every kind but 0 keeps a
// margin of 2 points.
class NSUINfoGraffikImage : public NSImage {
    Q_OBJECT
public:
    explicit NSUINfoGraffikImage(QSizeF size);

    // A new image of `size` (points, at the button's display scale) painted for `state` and
    // `kind`; the caller owns it. Null when no image can be made (an empty size).
    static NSRef<NSUINfoGraffikImage> imageForSizeState(NSUIToolButton* button, const QString& name,
                                                        QSizeF size, int state, int kind = 0);
    // The margin kept around the background for `kind`.
    static double marginForKind(int kind);

    // Paints background and picture for `state` into the current graphics context.
    void drawButton(NSUIToolButton* button, const QString& name, const NSRect& rect, int state,
                    double margin, int kind);
    // Paints the named picture into `rect` at `opacity`.
    void drawImage(const QString& name, const NSRect& rect, float opacity);

    // Colour answers of the image class (not used by the painting).
    static color_4D buttonFillColorForState(int state);
    static color_4D buttonStrokeColorForState(int state);
    static color_4D buttonHighlightColor();
};
