#include "platform/appkit/NSProgressIndicator.h"

#include <QProgressBar>

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(NSProgressIndicator, NSView)

int import_NSProgressIndicator() {
    return NSProgressIndicator::classObject() != nullptr ? 1 : 0;
}

namespace {

// The Qt bar counts in whole steps; this many make the range.
constexpr int kSteps = 1000;

} // namespace

NSProgressIndicator::NSProgressIndicator() = default;

QWidget* NSProgressIndicator::makeWidget() {
    auto* bar = new QProgressBar;
    bar->setRange(0, kSteps);
    bar->setTextVisible(false);
    bar->setAccessibleName(QStringLiteral("Progress"));
    QObject::connect(this, &NSProgressIndicator::doubleValueChanged, bar, [this] { showValue(); });
    QObject::connect(this, &NSProgressIndicator::rangeChanged, bar, [this] { showValue(); });
    QMetaObject::invokeMethod(
        bar, [this] { showValue(); }, Qt::QueuedConnection);
    return bar;
}

void NSProgressIndicator::showValue() {
    auto* bar = qobject_cast<QProgressBar*>(existingWidget());
    if (!bar)
        return;
    const double span = mMaxValue - mMinValue;
    const double fraction = span != 0.0 ? (mValue - mMinValue) / span : 0.0;
    bar->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * kSteps)));
}

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
