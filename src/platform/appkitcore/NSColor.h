#pragma once

#include "platform/appkitcore/NSGeometry.h"

#include <QString>

#include <optional>

// A colour as red, green, blue and alpha, each 0..1 (a value type here). Colours made by this
// class are in the calibrated RGB space, so converting them to it keeps them as they are.
class NSColor {
public:
    NSColor() = default;

    // Components are clamped to 0..1; one that is not a number counts as 0.
    static NSColor colorWithCalibratedRed(double red, double green, double blue, double alpha);
    static NSColor clearColor();
    // The user's accent colour: the highlight colour of the application's palette (a standard
    // blue without an application).
    static NSColor controlAccentColor();
    // The control tint in force; one tint only here, the accent colour.
    static int currentControlTint();
    static NSColor colorForControlTint(int tint);

    // The colour in the named space: "NSCalibratedRGBColorSpace" and "NSDeviceRGBColorSpace" give
    // the colour itself, any other name nothing.
    std::optional<NSColor> colorUsingColorSpaceName(const QString& name) const;

    double redComponent() const { return mRed; }
    double greenComponent() const { return mGreen; }
    double blueComponent() const { return mBlue; }
    double alphaComponent() const { return mAlpha; }

    // Makes this the fill and stroke colour of the current graphics context.
    void set() const;

    bool operator==(const NSColor&) const = default;

private:
    double mRed = 0, mGreen = 0, mBlue = 0, mAlpha = 1;
};

// Fills `rect` of the current graphics context with the colour last set, replacing the pixels
// (so a clear colour makes them transparent).
void NSRectFill(const NSRect& rect);
