#include "MainWindowFixture.h"

#include "common/FifoGuard.h"
#include "common/LogCapture.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkit/NSWorkspace.h"
#include "platform/foundation/NSOperationQueue.h"

namespace {

using namespace lumenreel::test;

class GKAppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mHome.isValid());
        qputenv("XDG_DATA_HOME", mHome.filePath(QStringLiteral("data")).toUtf8());
        mSavedRate = QStillFrameRecorder_Config_RenderFPS;
        mPreviousBeep = NSSetBeepSink([this] { ++mBeeps; });
        NSAlert::setPresenter(mAlerts);
        mDelegate->outletQuartzMovieRenderer = mRenderer.get();
        mDelegate->outletQuartzCompositionInputController = mComposition.get();
        mDelegate->outletAudioTrackInputController = mSound.get();
        mDelegate->awakeFromNib();
    }
    void TearDown() override {
        NSSetBeepSink(mPreviousBeep);
        NSAlert::setPresenter(nullptr);
        QStillFrameRecorder_Config_RenderFPS = mSavedRate;
        mRenderer->setFlattenerQueue(nullptr);
    }

    QString file(const QString& name, const QByteArray& contents = "x") {
        return writeTestFile(mHome.filePath(name), contents);
    }
    QString composition(const QString& name) {
        return file(name, "/*{ \"ISFVSN\": \"2\" }*/\nvoid main() {}\n");
    }

    void chooseOutputFolder(const QString& path) {
        QDir().mkpath(path);
        mFolder = NSRef<USandboxUserFolder>(USandboxUserFolder::sandboxPrefsFolderWithFolderURL(
            USandboxUserFolder::classObject(), NSURL::fileURLWithPath(path, true)));
        mDelegate->outletOutputUserFolder = mFolder.get();
    }

    NSAutoreleasePool mPool;
    QTemporaryDir mHome;
    std::uint32_t mSavedRate = 30;
    int mBeeps = 0;
    NSBeepSink mPreviousBeep;
    NSRef<QTZMovieRenderer> mRenderer = NSAdopt(NSAllocInit<QTZMovieRenderer>());
    NSRef<USandboxInputFileController> mComposition = NSAdopt(new USandboxInputFileController);
    NSRef<USandboxInputFileController> mSound = NSAdopt(new USandboxInputFileController);
    NSRef<USandboxUserFolder> mFolder;
    NSRef<GKAppDelegate> mDelegate = NSAdopt(NSAllocInit<GKAppDelegate>());
    // Given to the renderer, its movie is being written as long as the test lasts.
    NSRef<NSOperationQueue> mPending = NSAdopt(new NSOperationQueue());
    std::shared_ptr<RecordingPresenter> mAlerts = std::make_shared<RecordingPresenter>();
};

TEST_F(GKAppDelegateTest, ThePresetAndRateReachTheRendererAndValuesOutsideTheRangesAreRefused) {
    EXPECT_EQ(mDelegate->compositionMovieDimensions(), QSizeF(640, 480));
    mDelegate->setMovieDimensions(8);
    EXPECT_EQ(mRenderer->rendererSurfaceSizePixels(), QSizeF(1280, 720));
    mDelegate->setValue_forKey(25u, QStringLiteral("compositionMovieFrameRate"));
    EXPECT_EQ(QStillFrameRecorder_Config_RenderFPS, 25u);
    LogCapture log;
    // (Each end of each range is the job's validate() to check.)
    mDelegate->setCompositionMovieFrameRate(601);
    mDelegate->setCompositionMovieDuration(-1);
    EXPECT_EQ(mRenderer->framesPerSecond(), 25u);
    EXPECT_EQ(mDelegate->compositionMovieDuration(), 33.29999923706055);
    EXPECT_EQ(log.text().count(QStringLiteral("cannot be used")), 2);
}

TEST_F(GKAppDelegateTest, TheRenderCommandNamesTheMovieAfterTheComposition) {
    chooseOutputFolder(mHome.filePath(QStringLiteral("out")));
    EXPECT_FALSE(mDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_EQ(mBeeps, 1);
    EXPECT_FALSE(mDelegate->statusText().isEmpty());

    mComposition->setSandboxURL(
        NSURL::fileURLWithPath(composition(QStringLiteral("x/My.Scene.fs"))));
    ASSERT_TRUE(mDelegate->canRenderQuartzComposition());
    // A sound movie under the movie's own name would be replaced: refused.
    mSound->setSandboxURL(NSURL::fileURLWithPath(file(QStringLiteral("out/My.Scene.mov"))));
    EXPECT_FALSE(mDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_EQ(mBeeps, 2);
    EXPECT_TRUE(mDelegate->statusText().contains(QStringLiteral("would replace")));
    EXPECT_FALSE(mRenderer->isRendering());
}

// A FIFO chosen as the composition is not waited on: the window goes on, with no image rows.
TEST_F(GKAppDelegateTest, AFifoChosenAsTheCompositionDoesNotHangTheWindow) {
    const QString pipe = mHome.filePath(QStringLiteral("Pipe.fs"));
    FifoGuard fifo(pipe);
    ASSERT_TRUE(fifo.isValid());
    mComposition->setSandboxURL(NSURL::fileURLWithPath(pipe));
    EXPECT_FALSE(fifo.rescued()) << "the window waited on the FIFO";
    EXPECT_EQ(mDelegate->imageInputLabel(0), QStringLiteral("\u2013"));
}

TEST_F(GKAppDelegateTest, QuitWhenWrittenQuitsOnceTheJobHasEnded) {
    // A real run of the application loop, ended by the delegate once the job is over.
    NSApplication::setMainInterfaceLoader([](const QString&) { return true; });
    NSApplication::sharedApplication()->setDelegate(mDelegate.get());
    QTimer::singleShot(0, [&] {
        mRenderer->setFlattenerQueue(mPending.get());
        mAlerts->answers = {NSAlertSecondButtonReturn};
        NSApp->terminate(nullptr);
        EXPECT_TRUE(mDelegate->quitsWhenJobEnds());
        EXPECT_EQ(mAlerts->messages.size(), 1);
        // The movie is written: the job ends, and with it the application.
        QTimer::singleShot(50, [&] {
            mRenderer->setFlattenerQueue(nullptr);
            Q_EMIT mRenderer->renderJobFinished(true);
        });
    });
    EXPECT_EQ(runApplicationMain(std::chrono::seconds(30)), 0);
    EXPECT_FALSE(mDelegate->quitsWhenJobEnds());
    EXPECT_EQ(mAlerts->messages.size(), 1);
    NSApp->setDelegate(nullptr);
    NSApplication::setMainInterfaceLoader(nullptr);
}

TEST_F(GKAppDelegateTest, WhileAJobIsBusyRenderIsRefusedAndStopAndQuitStopsIt) {
    chooseOutputFolder(mHome.filePath(QStringLiteral("out")));
    mComposition->setSandboxURL(NSURL::fileURLWithPath(composition(QStringLiteral("Second.fs"))));
    const QString sound = file(QStringLiteral("chosen-meanwhile.m4a"));
    mSound->setSandboxURL(NSURL::fileURLWithPath(sound));
    // The running job's movie and sound, as its start set them; it is writing its movie.
    mRenderer->setOutputFinalMovieFile(QStringLiteral("/movies/First.mov"));
    mRenderer->setInputAudioMovieURL(nullptr);
    mRenderer->setFlattenerQueue(mPending.get());
    ASSERT_FALSE(mDelegate->canRender());

    EXPECT_FALSE(mDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_EQ(mBeeps, 1);
    EXPECT_EQ(mDelegate->statusText(), QStringLiteral("A job is still running."));
    EXPECT_EQ(mRenderer->outputFinalMovieFile(), QStringLiteral("/movies/First.mov"));
    EXPECT_EQ(mRenderer->inputAudioMovieURL(), nullptr);
    EXPECT_TRUE(mAlerts->messages.isEmpty());

    mAlerts->answers = {NSAlertFirstButtonReturn};
    EXPECT_FALSE(mDelegate->windowShouldClose(nullptr));
    EXPECT_TRUE(mDelegate->quitsWhenJobEnds());
    EXPECT_TRUE(mDelegate->statusText().startsWith(QStringLiteral("Stopping")));
}

TEST_F(GKAppDelegateTest, TheSoundsXIsThereOnlyWithASound) {
    EXPECT_FALSE(mDelegate->canClearSoundMovie());
    NSURL* sound = NSURL::fileURLWithPath(file(QStringLiteral("sound.m4a")));
    mSound->setSandboxURL_forSandboxBookmarkData(sound, QByteArray("bookmark"));
    EXPECT_TRUE(mDelegate->canClearSoundMovie());
    mDelegate->actionClearSoundMovie(nullptr);
    EXPECT_EQ(mSound->sandboxURL(), nullptr);
    EXPECT_FALSE(mDelegate->canClearSoundMovie());
}

TEST_F(GKAppDelegateTest, ShowInFolderSaysSoWhenNoFileManagerOpens) {
    const QString movie = mHome.filePath(QStringLiteral("out/Scene.mov"));
    mRenderer->setOutputFinalMovieFile(movie);
    Q_EMIT mRenderer->renderJobFinished(true);
    ASSERT_EQ(mDelegate->lastMoviePath(), movie);
    QStringList opened;
    bool opens = false;
    const NSWorkspace::Opener previous = NSWorkspace::setOpener([&](const QString& path) {
        opened << path;
        return opens;
    });
    EXPECT_FALSE(mDelegate->actionShowInFolder(nullptr));
    EXPECT_TRUE(mDelegate->statusText().contains(mHome.filePath(QStringLiteral("out"))))
        << mDelegate->statusText().toStdString();
    EXPECT_TRUE(mDelegate->statusText().startsWith(QStringLiteral("No file manager")));
    opens = true;
    EXPECT_TRUE(mDelegate->actionShowInFolder(nullptr));
    EXPECT_EQ(opened, QStringList(2, mHome.filePath(QStringLiteral("out"))));
    NSWorkspace::setOpener(previous);
}

} // namespace
