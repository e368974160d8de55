#pragma once

#include <QString>

class NSObject;

// Binds the setting `binding` of `object` (a key: "value", "selectedTag", "enabled", "hidden",
// "title", ...) to `keyPath` of `target`: the setting takes the key path's value now and on every
// change, and a control that the user changes writes its new value back along the key path.
// The binding lives as long as `object`; `target` must outlive it. False, with nothing bound,
// when `object` has no such setting or `target` no such key path (platform exception
// "NSUnknownKeyException" caught).
bool NSBind(NSObject* object, const QString& binding, NSObject* target, const QString& keyPath);
