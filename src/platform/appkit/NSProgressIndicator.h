#pragma once

#include "platform/foundation/NSObject.h"

// A determinate progress bar's state. Whoever shows it (a progress bar widget, the command-line
// renderer's terminal bar) listens to `doubleValueChanged`. Used on the main thread.
class NSProgressIndicator : public NSObject {
    Q_OBJECT
public:
    NSProgressIndicator();

    double minValue() const { return mMinValue; }
    double maxValue() const { return mMaxValue; }
    double doubleValue() const { return mValue; }
    void setMinValue(double value);
    void setMaxValue(double value);
    // Clamped to the range [minValue, maxValue].
    void setDoubleValue(double value);

Q_SIGNALS:
    void doubleValueChanged(double value);
    void rangeChanged(double minValue, double maxValue);

private:
    double mMinValue = 0.0;
    double mMaxValue = 100.0;
    double mValue = 0.0;
};
