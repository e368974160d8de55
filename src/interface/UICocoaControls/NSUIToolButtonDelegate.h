#pragma once

#include "platform/appkitcore/NSColor.h"

#include <optional>

class NSUIToolButton;

// What a tool button's delegate may supply per button state (0 off, 1 on, -1 mixed). An object
// takes part by deriving from this class too; each operation it does not override answers
// nothing, which leaves the button's own default.
class NSUIToolButtonDelegate {
public:
    virtual ~NSUIToolButtonDelegate() = default;
    // A colour, or nothing for the default.
    virtual std::optional<NSColor> toolButton_fillColorForState(NSUIToolButton* button, int state);
    virtual std::optional<NSColor> toolButton_strokeColorForState(NSUIToolButton* button,
                                                                  int state);
    // An opacity 0..1 for every state when overridden.
    virtual std::optional<float> toolButton_imageOpacityForState(NSUIToolButton* button, int state);
};
