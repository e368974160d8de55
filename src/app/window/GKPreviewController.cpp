#include "app/window/GKPreviewController.h"

#include "app/preview/PreviewEngine.h"
#include "app/window/GKAppDelegate.h"
#include "app/window/GKPreviewTransportView.h"
#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>

NS_IMPLEMENT_CLASS(GKPreviewController, NSObject)

int import_GKPreviewController() {
    return (GKPreviewController::classObject() != nullptr) & import_GKPreviewTransportView();
}

namespace {

// The controllers that have woken up, for controllerForDelegate.
QList<GKPreviewController*>& liveControllers() {
    static QList<GKPreviewController*> controllers;
    return controllers;
}

} // namespace

GKPreviewController::GKPreviewController() = default;

GKPreviewController* GKPreviewController::controllerForDelegate(const GKAppDelegate* delegate) {
    for (GKPreviewController* controller : std::as_const(liveControllers())) {
        if (controller->outletAppDelegate == delegate)
            return controller;
    }
    return nullptr;
}

GKPreviewController::~GKPreviewController() {
    liveControllers().removeAll(this);
    if (mObservingDelegate && outletAppDelegate)
        outletAppDelegate->removeObserver(this, QStringLiteral("idle"));
    delete mEngine.data();
}

void GKPreviewController::awakeFromNib() {
    if (mEngine || !outletAppDelegate)
        return;
    // The engine's thread ends with the application object, before the process's own
    // teardown (the OpenGL driver's among it) can pull anything from under a frame.
    mEngine = new PreviewEngine(QCoreApplication::instance());
    liveControllers().append(this);
    connect(mEngine, &PreviewEngine::frameReady, this,
            [this](const QImage& frame) { showFrame(frame); });
    connect(outletAppDelegate, &GKAppDelegate::windowJobChanged, this, [this] { playWindowJob(); });
    // An event button fires in the preview only; a drag moves the composition's point.
    connect(outletAppDelegate, &GKAppDelegate::compositionInputEventFired, mEngine,
            &PreviewEngine::fireEvent);
    connect(this, &GKPreviewController::previewPointDragged, outletAppDelegate,
            [this](QPointF point) { outletAppDelegate->dragCompositionPoint(point); });
    outletAppDelegate->addObserver(this, QStringLiteral("idle"), 0, nullptr);
    mObservingDelegate = true;
    if (outletTransport) {
        connect(outletTransport, &GKPreviewTransportView::playPauseClicked, mEngine,
                &PreviewEngine::togglePlaying);
        connect(outletTransport, &GKPreviewTransportView::scrubbed, mEngine, &PreviewEngine::seek);
        connect(mEngine, &PreviewEngine::playingChanged, outletTransport,
                &GKPreviewTransportView::showPlaying);
        connect(mEngine, &PreviewEngine::timeChanged, outletTransport, [this](double seconds) {
            outletTransport->showTime(seconds, mEngine->loopDuration());
        });
    }
    // The window and its widgets exist once the interface file is loaded.
    QMetaObject::invokeMethod(
        this, [this] { attachToWindow(); }, Qt::QueuedConnection);
}

void GKPreviewController::attachToWindow() {
    NSWindow* window = outletAppDelegate->window();
    mWindowWidget = window ? window->widget() : nullptr;
    if (mWindowWidget) {
        mWindowWidget->installEventFilter(this);
        auto* space = new QShortcut(QKeySequence(Qt::Key_Space), mWindowWidget);
        space->setContext(Qt::WindowShortcut);
        connect(space, &QShortcut::activated, this, [this] { playOrPauseFromKeyboard(); });
        if (const QScreen* screen = mWindowWidget->screen())
            mEngine->setDisplayRate(std::clamp(screen->refreshRate(), 24.0, 240.0));
    }
    if (outletImageView) {
        mPreviewWidget = outletImageView->widget();
        if (mPreviewWidget) {
            mPreviewWidget->installEventFilter(this);
            const qreal scale = mPreviewWidget->devicePixelRatioF();
            const NSRect bounds = outletImageView->bounds();
            mEngine->setPreviewSize(
                QSize(int(bounds.width() * scale), int(bounds.height() * scale)));
        }
    }
    playWindowJob();
    updateSuspension();
}

void GKPreviewController::playWindowJob() {
    const RenderJob job = outletAppDelegate->windowJob();
    mEngine->setJob(job);
    if (!outletTransport)
        return;
    // Without a composition there is nothing to play or scrub.
    outletTransport->showTime(mEngine->time(), mEngine->loopDuration());
    if (QWidget* row = outletTransport->widget())
        row->setEnabled(!job.compositionPath().isEmpty());
}

void GKPreviewController::observeValueForKeyPath(const QString& keyPath, NSObject* object,
                                                 const QVariantMap& change, void* context) {
    if (object == outletAppDelegate) {
        updateSuspension();
        return;
    }
    NSObject::observeValueForKeyPath(keyPath, object, change, context);
}

void GKPreviewController::updateSuspension() {
    const bool shown = mWindowWidget && mWindowWidget->isVisible() && !mWindowWidget->isMinimized();
    const bool idle = outletAppDelegate && outletAppDelegate->isIdle();
    mShowing = shown && idle;
    mEngine->setSuspended(!mShowing);
}

void GKPreviewController::showFrame(const QImage& frame) {
    if (!mShowing || !outletImageView)
        return;
    NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(frame.size())));
    NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(frame));
    image->addRepresentation(bitmap.get());
    outletImageView->setImage(image.get());
}

void GKPreviewController::playOrPauseFromKeyboard() {
    // Space types a space in a text field.
    const QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus) ||
        qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return;
    mEngine->togglePlaying();
}

bool GKPreviewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mWindowWidget) {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
            event->type() == QEvent::WindowStateChange)
            QMetaObject::invokeMethod(
                this, [this] { updateSuspension(); }, Qt::QueuedConnection);
        return false;
    }
    if (watched != mPreviewWidget || !mShowing)
        return false;
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool drag = event->type() == QEvent::MouseMove;
    if (!press && !drag)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!(mouse->buttons() & Qt::LeftButton))
        return false;
    // The picture is drawn fitted into the view, centred, never enlarged.
    const QSizeF area = mPreviewWidget->size();
    QSizeF picture = mEngine->currentFrame().isNull() ? area
                                                      : QSizeF(mEngine->currentFrame().size()) /
                                                            mPreviewWidget->devicePixelRatioF();
    if (picture.width() > area.width() || picture.height() > area.height())
        picture.scale(area, Qt::KeepAspectRatio);
    const QPointF origin((area.width() - picture.width()) / 2,
                         (area.height() - picture.height()) / 2);
    const QPointF at = mouse->position() - origin;
    if (picture.isEmpty())
        return false;
    emit previewPointDragged(QPointF(std::clamp(at.x() / picture.width(), 0.0, 1.0),
                                     std::clamp(1.0 - at.y() / picture.height(), 0.0, 1.0)));
    return false;
}
