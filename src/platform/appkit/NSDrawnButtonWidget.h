#pragma once

#include <functional>

class NSButton;
class QWidget;

// A Qt button for an NSButton that draws itself in drawRect: (with the current
// NSGraphicsContext in y-up bounds coordinates) instead of Qt's own look. A click goes through
// the button's performClick; the button's type says whether it is checkable. `appearanceChanged`
// runs when the palette or the display scale changes, before the next paint, so that cached
// pictures can be rebuilt. The widget's accessible name is the button's title.
QWidget* NSMakeDrawnButtonWidget(NSButton* button, std::function<void()> appearanceChanged);
// Whether the widget made above is being pressed; false for any other widget or null.
bool NSDrawnButtonWidgetIsDown(const QWidget* widget);
// Device pixels per point of the screen the widget is shown on; 1 for null.
double NSDrawnButtonWidgetScale(const QWidget* widget);
