#include "platform/appkit/NSProgressIndicator.h"

#include <algorithm>
#include <cmath>

NSProgressIndicator::NSProgressIndicator() = default;

void NSProgressIndicator::setMinValue(double value) {
    mMinValue = value;
    Q_EMIT rangeChanged(mMinValue, mMaxValue);
}

void NSProgressIndicator::setMaxValue(double value) {
    mMaxValue = value;
    Q_EMIT rangeChanged(mMinValue, mMaxValue);
}

void NSProgressIndicator::setDoubleValue(double value) {
    if (std::isnan(value))
        value = mMinValue;
    mValue = std::clamp(value, std::min(mMinValue, mMaxValue), std::max(mMinValue, mMaxValue));
    Q_EMIT doubleValueChanged(mValue);
}
