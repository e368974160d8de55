#pragma once

#include "platform/appkit/NSView.h"

// A determinate progress bar: its value in a range, shown by a Qt progress bar in a window and
// heard through `doubleValueChanged` by anything else that shows it (the command-line renderer's
// terminal bar). Used on the main thread.
class NSProgressIndicator : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(NSProgressIndicator)
    Q_PROPERTY(double minValue READ minValue WRITE setMinValue)
    Q_PROPERTY(double maxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue)
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

protected:
    QWidget* makeWidget() override;

private:
    void showValue();

    double mMinValue = 0.0;
    double mMaxValue = 100.0;
    double mValue = 0.0;
};

int import_NSProgressIndicator();
