#include "platform/appkit/NSDrawnButtonWidget.h"

#include "platform/appkit/NSButton.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

class DrawnButtonWidget : public QAbstractButton {
public:
    DrawnButtonWidget(NSButton* button, std::function<void()> appearanceChanged)
        : mButton(button), mAppearanceChanged(std::move(appearanceChanged)) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        if (devicePixelRatioF() != mPaintedRatio) {
            mPaintedRatio = devicePixelRatioF();
            if (mAppearanceChanged)
                mAppearanceChanged();
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(0, height());
        painter.scale(1, -1);
        NSGraphicsContext context(&painter);
        NSGraphicsContext* previous = NSGraphicsContext::currentContext();
        NSGraphicsContext::setCurrentContext(&context);
        const QRectF dirty(event->rect());
        mButton->drawRect(NSFlipRect(dirty, height()));
        NSGraphicsContext::setCurrentContext(previous);
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::PaletteChange && mAppearanceChanged) {
            mAppearanceChanged();
            update();
        }
        QAbstractButton::changeEvent(event);
    }

private:
    NSButton* mButton;
    std::function<void()> mAppearanceChanged;
    // Pictures made before the widget is shown are made at scale 1.
    qreal mPaintedRatio = 1;
};

} // namespace

QWidget* NSMakeDrawnButtonWidget(NSButton* button, std::function<void()> appearanceChanged) {
    auto* widget = new DrawnButtonWidget(button, std::move(appearanceChanged));
    widget->setCheckable(button->buttonType() != QLatin1StringView("push"));
    widget->setChecked(button->state() != 0);
    widget->setAccessibleName(button->title());
    widget->setFocusPolicy(Qt::TabFocus);
    QObject::connect(widget, &QAbstractButton::clicked, button, [button, widget] {
        button->performClick(button);
        const QSignalBlocker blocker(widget);
        widget->setChecked(button->state() != 0);
    });
    QObject::connect(widget, &QAbstractButton::pressed, widget, [widget] { widget->update(); });
    QObject::connect(widget, &QAbstractButton::released, widget, [widget] { widget->update(); });
    return widget;
}

bool NSDrawnButtonWidgetIsDown(const QWidget* widget) {
    const auto* button = dynamic_cast<const DrawnButtonWidget*>(widget);
    return button && button->isDown();
}

double NSDrawnButtonWidgetScale(const QWidget* widget) {
    return widget ? widget->devicePixelRatioF() : 1.0;
}
