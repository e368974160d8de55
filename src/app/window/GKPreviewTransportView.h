#pragma once

#include "platform/appkit/NSView.h"
#include "platform/foundation/NSClass.h"

class QLabel;
class QSlider;
class QToolButton;

// The live preview's transport row: a play/pause button, a time slider that scrubs and the time
// shown as "seconds / loop s". Main thread only.
class GKPreviewTransportView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(GKPreviewTransportView)
public:
    GKPreviewTransportView();

    // Shows the clock at `seconds` of a loop of `loopSeconds`; the slider stays where the user
    // holds it while dragging.
    void showTime(double seconds, double loopSeconds);
    void showPlaying(bool playing);

    // The parts, once the view's widget is made; null before.
    QToolButton* playButton() const;
    QSlider* timeSlider() const;
    QLabel* timeLabel() const;

Q_SIGNALS:
    void playPauseClicked();
    // The user moved the slider to `seconds`.
    void scrubbed(double seconds);

protected:
    QWidget* makeWidget() override;

private:
    double mSeconds = 0.0;
    double mLoopSeconds = 0.0;
    bool mPlaying = true;
};

int import_GKPreviewTransportView();
