#pragma once

#include "app/preview/PreviewEngine.h"
#include "app/window/GKAppDelegate.h"
#include "app/window/GKPreviewTransportView.h"
#include "platform/appkit/NSImageView.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QPointF>
#include <QPointer>

class QImage;
class QWidget;

// Plays the job the window describes in the window's preview while no job renders: the
// application delegate's windowJob, again whenever windowJobChanged. A rendering job's own
// preview takes the view over and the live preview waits, as it does while the window is hidden
// or minimised. Space plays and pauses (outside text fields); the transport row scrubs. Main
// thread only.
class GKPreviewController : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(GKPreviewController)
    Q_PROPERTY(GKAppDelegate* outletAppDelegate MEMBER outletAppDelegate)
    Q_PROPERTY(NSImageView* outletImageView MEMBER outletImageView)
    Q_PROPERTY(GKPreviewTransportView* outletTransport MEMBER outletTransport)
public:
    GKPreviewController();
    ~GKPreviewController() override;

    // Connected by the interface file; not retained.
    GKAppDelegate* outletAppDelegate = nullptr;
    NSImageView* outletImageView = nullptr;
    GKPreviewTransportView* outletTransport = nullptr;

    void awakeFromNib() override;
    // The controller that plays `delegate`'s job; null when none does.
    static GKPreviewController* controllerForDelegate(const GKAppDelegate* delegate);
    PreviewEngine* engine() const { return mEngine.data(); }
    // Whether the view shows the live preview now (no job renders, the window is shown).
    bool showsLivePreview() const { return mShowing; }

    void observeValueForKeyPath(const QString& keyPath, NSObject* object, const QVariantMap& change,
                                void* context) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The user pressed or dragged in the preview at `point`, from (0, 0) at the picture's bottom
    // left to (1, 1) at its top right.
    void previewPointDragged(QPointF point);

private:
    void attachToWindow();
    // Plays the job the window describes now.
    void playWindowJob();
    void showFrame(const QImage& frame);
    void updateSuspension();
    void playOrPauseFromKeyboard();

    QPointer<PreviewEngine> mEngine;
    QWidget* mWindowWidget = nullptr;
    QWidget* mPreviewWidget = nullptr;
    bool mObservingDelegate = false;
    bool mShowing = false;
};

int import_GKPreviewController();
