#include "app/GKAppDelegate.h"

#include "common/FifoGuard.h"
#include "common/LogCapture.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSBeep.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/foundation/NSURL.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using lumenreel::test::FifoGuard;
using lumenreel::test::LogCapture;

class GKAppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mHome.isValid());
        qputenv("XDG_DATA_HOME", mHome.filePath(QStringLiteral("data")).toUtf8());
        mSavedRate = QStillFrameRecorder_Config_RenderFPS;
        mPreviousBeep = NSSetBeepSink([this] { ++mBeeps; });
        mDelegate->outletQuartzMovieRenderer = mRenderer.get();
        mDelegate->outletQuartzCompositionInputController = mComposition.get();
        mDelegate->outletAudioTrackInputController = mSound.get();
        mDelegate->awakeFromNib();
    }
    void TearDown() override {
        NSSetBeepSink(mPreviousBeep);
        QStillFrameRecorder_Config_RenderFPS = mSavedRate;
        mRenderer->setFlattenerQueue(nullptr);
    }

    QString file(const QString& name, const QByteArray& contents = "x") {
        const QString path = mHome.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(contents);
        return path;
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
};

TEST_F(GKAppDelegateTest, PresetsAndDefaults) {
    EXPECT_EQ(mDelegate->compositionMovieDuration(), 33.29999923706055);
    EXPECT_EQ(mDelegate->compositionMovieDimensions(), QSizeF(640, 480));
    const std::pair<int, QSizeF> presets[] = {{12, {4096, 2160}}, {13, {640, 480}},
                                              {-1, {640, 480}},   {1, {640, 480}},
                                              {8, {1280, 720}},   {9, {1280, 960}}};
    for (const auto& [index, size] : presets) {
        mDelegate->setMovieDimensions(index);
        EXPECT_EQ(mDelegate->movieDimensions(), index);
        EXPECT_EQ(mRenderer->rendererSurfaceSizePixels(), size) << index;
    }
}

TEST_F(GKAppDelegateTest, RatesAndDurationsOutsideTheJobsRangesAreRefused) {
    mDelegate->setValue_forKey(25u, QStringLiteral("compositionMovieFrameRate"));
    EXPECT_EQ(QStillFrameRecorder_Config_RenderFPS, 25u);
    LogCapture log;
    mDelegate->setCompositionMovieFrameRate(0);
    mDelegate->setCompositionMovieFrameRate(601);
    mDelegate->setCompositionMovieDuration(-1);
    mDelegate->setCompositionMovieDuration(1e9);
    EXPECT_EQ(QStillFrameRecorder_Config_RenderFPS, 25u);
    EXPECT_EQ(mDelegate->compositionMovieDuration(), 33.29999923706055);
    EXPECT_EQ(log.text().count(QStringLiteral("cannot be used")), 4);
}

TEST_F(GKAppDelegateTest, TheRenderCommandNamesTheMovieAfterTheComposition) {
    chooseOutputFolder(mHome.filePath(QStringLiteral("out")));
    EXPECT_FALSE(mDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_EQ(mBeeps, 1);
    EXPECT_FALSE(mDelegate->statusText().isEmpty());

    mComposition->setSandboxURL(NSURL::fileURLWithPath(
        file(QStringLiteral("x/My.Scene.fs"), "/*{ \"ISFVSN\": \"2\" }*/\nvoid main() {}\n")));
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

TEST_F(GKAppDelegateTest, QuitAndCloseAreRefusedWhileTheMovieIsStillBeingWritten) {
    EXPECT_EQ(mDelegate->applicationShouldTerminate(nullptr), NSUInteger(NSTerminateNow));
    EXPECT_TRUE(mDelegate->windowShouldClose(nullptr));
    NSRef<NSOperationQueue> pending = NSAdopt(new NSOperationQueue());
    mRenderer->setFlattenerQueue(pending.get());
    EXPECT_EQ(mDelegate->applicationShouldTerminate(nullptr), NSUInteger(NSTerminateCancel));
    EXPECT_FALSE(mDelegate->windowShouldClose(nullptr));
    EXPECT_EQ(mBeeps, 2);
}

} // namespace
