// The window's live preview: a chosen composition plays without Render, a job's own preview
// takes over while it renders, the preview plays exactly the job that Render starts, and the
// keyboard, the transport row and the mouse reach it; a hidden window pauses it.

#include "MainWindowFixture.h"

#include "app/window/GKPreviewTransportView.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"

#include <QDebug>
#include <QLineF>
#include <QSlider>
#include <QToolButton>

namespace {

using namespace lumenreel::test;

// The job's fields that make its pictures and sound, as text, to compare two jobs.
QString describe(const RenderJob& job) {
    QString text;
    QDebug(&text) << job.compositionPath() << job.soundMoviePath() << job.sizePixels
                  << job.framesPerSecond << QString::number(job.durationSeconds, 'g', 17)
                  << job.inputs.values << job.inputs.files;
    return text;
}

class MainWindowPreviewTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        mController = GKPreviewController::controllerForDelegate(sDelegate);
        ASSERT_NE(mController, nullptr);
        mEngine = mController->engine();
        mPreview =
            qobject_cast<NSImageView*>(sDelegate->outletQuartzMovieRenderer->outletImageView);
        ASSERT_NE(mPreview, nullptr);
        ASSERT_TRUE(spinUntil([&] { return mController->showsLivePreview(); }));
        mEngine->setSoundOutputEnabled(false);
    }

    // Waits until the view has shown two more pictures that differ.
    bool waitForPlaying() {
        QList<QImage> seen;
        QObject guard;
        QObject::connect(mPreview, &NSImageView::imageChanged, &guard, [&] {
            if (NSImage* image = mPreview->image(); image && image->bitmapRepresentation())
                seen.append(image->bitmapRepresentation()->qImage());
        });
        return spinUntil([&] { return seen.size() >= 2 && seen.first() != seen.last(); },
                         std::chrono::seconds(60));
    }

    GKPreviewController* mController = nullptr;
    PreviewEngine* mEngine = nullptr;
    NSImageView* mPreview = nullptr;
};

TEST_F(MainWindowPreviewTest, AChosenCompositionPlaysWithoutRenderAndPlaysTheWindowsJob) {
    sDelegate->setValue_forKey(1.5, QStringLiteral("compositionMovieDuration"));
    sDelegate->setValue_forKey(25u, QStringLiteral("compositionMovieFrameRate"));
    sDelegate->setMovieDimensions(8);
    chooseFiles(resource(QStringLiteral("compositions/Aurora.fs")),
                sHome->filePath(QStringLiteral("preview-movies")));
    ASSERT_TRUE(waitForPlaying());
    // The picture keeps the movie's shape (1280 x 720) inside the 320 x 240 view.
    EXPECT_EQ(mEngine->currentFrame().width() * 9, mEngine->currentFrame().height() * 16);
    // The preview plays the job the window describes; a change of the window's settings
    // reaches it.
    EXPECT_EQ(describe(mEngine->job()), describe(sDelegate->windowJob()));
    sDelegate->setValue_forKey(2.0, QStringLiteral("compositionMovieDuration"));
    EXPECT_EQ(describe(mEngine->job()), describe(sDelegate->windowJob()));

    // Render starts that very job; the live preview waits while it renders and the job's own
    // preview is shown.
    const RenderJob played = mEngine->job();
    // Whether the view took each of the preview's frames that arrived during the job.
    QList<bool> shownWhileRendering;
    QObject guard;
    QObject::connect(mEngine, &PreviewEngine::frameReady, &guard, [&](const QImage&, double) {
        if (!sDelegate->isIdle())
            shownWhileRendering.append(mController->showsLivePreview());
    });
    ASSERT_TRUE(startRender());
    EXPECT_EQ(describe(sDelegate->outletQuartzMovieRenderer->job()), describe(played));
    EXPECT_TRUE(mEngine->isSuspended());
    EXPECT_FALSE(mController->showsLivePreview());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_THAT(status(), StartsWith("Written: "));
    // None of the frames that still came reached the view (that a suspended engine renders
    // nothing is the engine's test).
    EXPECT_FALSE(shownWhileRendering.contains(true));
    // Afterwards it plays again.
    EXPECT_FALSE(mEngine->isSuspended());
    ASSERT_TRUE(waitForPlaying());
    sDelegate->actionClearSoundMovie(nullptr);
}

TEST_F(MainWindowPreviewTest, SpaceTheTransportRowAndDraggingReachItAndAHiddenWindowPausesIt) {
    chooseComposition(resource(QStringLiteral("compositions/Ripple.fs")));
    sDelegate->setMovieDimensions(0);
    ASSERT_TRUE(waitForPlaying());
    QWidget* window = sDelegate->window()->widget();
    window->activateWindow();
    window->setFocus();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(mEngine->isPlaying());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(mEngine->isPlaying());

    // In a text field, Space is a character.
    NSTextField* rate = numberField(600);
    ASSERT_NE(rate, nullptr);
    auto* edit = qobject_cast<QLineEdit*>(rate->widget());
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_TRUE(mEngine->isPlaying());
    window->setFocus();

    auto* transport = views<GKPreviewTransportView>().value(0);
    ASSERT_NE(transport, nullptr);
    QToolButton* play = transport->playButton();
    QSlider* slider = transport->timeSlider();
    ASSERT_TRUE(play && slider);
    EXPECT_EQ(play->text(), QStringLiteral("Pause"));
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(mEngine->isPlaying());
    EXPECT_EQ(play->text(), QStringLiteral("Play"));

    // Dragging the slider scrubs: the frame of that time is shown, paused.
    const double loop = mEngine->loopDuration();
    ASSERT_GT(loop, 2.0);
    slider->setSliderDown(true);
    slider->setSliderPosition(2000);
    slider->setSliderDown(false);
    EXPECT_NEAR(mEngine->time(), 2.0, 1e-6);
    EXPECT_TRUE(transport->timeLabel()->text().startsWith(QStringLiteral("2.0 / ")))
        << transport->timeLabel()->text().toStdString();
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(mEngine->isPlaying());

    // Dragging in the picture gives points from its bottom left.
    QSignalSpy points(mController, &GKPreviewController::previewPointDragged);
    QWidget* view = mPreview->widget();
    const QRect area = view->rect();
    QTest::mousePress(view, Qt::LeftButton, {}, area.center());
    ASSERT_EQ(points.count(), 1);
    EXPECT_LT(QLineF(points.last().first().toPointF(), {0.5, 0.5}).length(), 0.03);
    QMouseEvent move(QEvent::MouseMove, QPointF(area.left() + 1, area.bottom()),
                     view->mapToGlobal(QPointF(area.left() + 1, area.bottom())), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    ASSERT_EQ(points.count(), 2);
    EXPECT_LT(QLineF(points.last().first().toPointF(), {0.0, 0.0}).length(), 0.03);
    QTest::mouseRelease(view, Qt::LeftButton, {}, area.center());
    // The points move the composition's point2D input across its range, and the preview plays
    // the job with it.
    const QCInputValue moved = sDelegate->compositionInputValues().value(QStringLiteral("centre"));
    EXPECT_LT(QLineF(QPointF(moved[0], moved[1]), {0.0, 0.0}).length(), 0.03);
    EXPECT_EQ(describe(mEngine->job()), describe(sDelegate->windowJob()));
    EXPECT_TRUE(describe(mEngine->job()).contains(QStringLiteral("\"centre\"")));
    sDelegate->actionResetCompositionInputs(nullptr);

    // A hidden window pauses the preview; shown again, it plays.
    window->hide();
    ASSERT_TRUE(spinUntil([&] { return mEngine->isSuspended(); }));
    EXPECT_FALSE(mController->showsLivePreview());
    EXPECT_TRUE(mEngine->isPlaying());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 10000));
    ASSERT_TRUE(spinUntil([&] { return !mEngine->isSuspended(); }));
    EXPECT_TRUE(waitForPlaying());
}

} // namespace
