#include "app/window/GKPreviewTransportView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include <cmath>

NS_IMPLEMENT_CLASS(GKPreviewTransportView, NSView)

int import_GKPreviewTransportView() {
    return GKPreviewTransportView::classObject() != nullptr ? 1 : 0;
}

namespace {

// The slider counts milliseconds.
constexpr double kSliderStepsPerSecond = 1000.0;

} // namespace

GKPreviewTransportView::GKPreviewTransportView() = default;

QWidget* GKPreviewTransportView::makeWidget() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* play = new QToolButton(row);
    play->setObjectName(QStringLiteral("previewPlay"));
    play->setAutoRaise(true);
    play->setFocusPolicy(Qt::NoFocus);
    auto* slider = new QSlider(Qt::Horizontal, row);
    slider->setObjectName(QStringLiteral("previewTime"));
    slider->setAccessibleName(QStringLiteral("Preview time"));
    slider->setFocusPolicy(Qt::NoFocus);
    auto* label = new QLabel(row);
    label->setObjectName(QStringLiteral("previewTimeText"));
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance(QStringLiteral("000.0 / 000.0 s")));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(play);
    layout->addWidget(slider, 1);
    layout->addWidget(label);
    QObject::connect(play, &QToolButton::clicked, this, [this] { Q_EMIT playPauseClicked(); });
    QObject::connect(slider, &QSlider::sliderMoved, this,
                     [this](int value) { Q_EMIT scrubbed(value / kSliderStepsPerSecond); });
    // A click on the groove jumps there, as the slider's own steps do.
    QObject::connect(slider, &QSlider::actionTriggered, this, [this, slider](int action) {
        if (action != QAbstractSlider::SliderMove)
            QMetaObject::invokeMethod(
                slider,
                [this, slider] { Q_EMIT scrubbed(slider->value() / kSliderStepsPerSecond); },
                Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        row,
        [this] {
            showPlaying(mPlaying);
            showTime(mSeconds, mLoopSeconds);
        },
        Qt::QueuedConnection);
    return row;
}

QToolButton* GKPreviewTransportView::playButton() const {
    QWidget* row = existingWidget();
    return row ? row->findChild<QToolButton*>(QStringLiteral("previewPlay")) : nullptr;
}

QSlider* GKPreviewTransportView::timeSlider() const {
    QWidget* row = existingWidget();
    return row ? row->findChild<QSlider*>(QStringLiteral("previewTime")) : nullptr;
}

QLabel* GKPreviewTransportView::timeLabel() const {
    QWidget* row = existingWidget();
    return row ? row->findChild<QLabel*>(QStringLiteral("previewTimeText")) : nullptr;
}

void GKPreviewTransportView::showTime(double seconds, double loopSeconds) {
    mSeconds = seconds;
    mLoopSeconds = loopSeconds;
    if (QSlider* slider = timeSlider()) {
        slider->setMaximum(int(std::lround(loopSeconds * kSliderStepsPerSecond)));
        if (!slider->isSliderDown())
            slider->setValue(int(std::lround(seconds * kSliderStepsPerSecond)));
    }
    if (QLabel* label = timeLabel())
        label->setText(
            QStringLiteral("%1 / %2 s").arg(seconds, 0, 'f', 1).arg(loopSeconds, 0, 'f', 1));
}

void GKPreviewTransportView::showPlaying(bool playing) {
    mPlaying = playing;
    QToolButton* play = playButton();
    if (!play)
        return;
    play->setIcon(
        play->style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    play->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    play->setAccessibleName(play->text());
    play->setToolTip(play->text() + QStringLiteral(" (Space)"));
}
