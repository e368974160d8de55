#pragma once

#include <functional>

// Sounds the system beep through the current beep sink.
void NSBeep();

// Where NSBeep goes. An empty sink stands for the default, QApplication::beep. Returns the sink
// that was in place, so that a test can count beeps and put the previous one back.
using NSBeepSink = std::function<void()>;
NSBeepSink NSSetBeepSink(NSBeepSink sink);
