// The application's main window from its interface file, driven as a person drives it: choices
// through (scripted) open panels, clicks on its buttons, its menus; the movie it makes is read
// back with libavformat.

#include "MainWindowFixture.h"

#include "platform/appkit/NSMenu.h"
#include "platform/quartzcomposer/QCEGLContext.h"

#include <QFileInfo>

namespace {

using namespace lumenreel::test;

class MainWindowTest : public WindowFixture {
protected:
    static NSMenuItem* menuItem(const char* title) {
        return sDelegate->window()->menu()->itemWithTitle(QString::fromUtf8(title));
    }

    static NSPopUpButton* formatPopUp() {
        return views<NSPopUpButton>(
                   [](NSPopUpButton* popUp) { return popUp->numberOfItems() == 6; })
            .value(0);
    }
};

TEST_F(MainWindowTest, RendersTheSampleWithItsSoundFromTheWindow) {
    const QString out = sHome->filePath(QStringLiteral("movies"));
    NSButton* render = button(QStringLiteral("actionRenderCompositionToMovieFile:"));
    ASSERT_NE(render, nullptr);
    EXPECT_FALSE(render->isEnabled());
    EXPECT_TRUE(render->toolTip().contains(QStringLiteral("composition")));

    chooseFiles(resource(QStringLiteral("compositions/Aurora.fs")), out);
    sDelegate->setMovieDimensions(0);
    sDelegate->setValue_forKey(30u, QStringLiteral("compositionMovieFrameRate"));
    sDelegate->setValue_forKey(2.0, QStringLiteral("compositionMovieDuration"));
    keepPicture("idle");
    ASSERT_TRUE(startRender()) << status();
    // The status line names what renders ("llvmpipe, CPU" here).
    const std::string device = QCEGLContext::processRenderingDeviceSummary().toStdString();
    EXPECT_THAT(status(), HasSubstr(" (" + device + ")"));
    ASSERT_TRUE(waitUntilIdle());

    const QString movie = QDir(out).filePath(QStringLiteral("Aurora.mov"));
    EXPECT_EQ(sDelegate->statusText(), QStringLiteral("Written: ") + movie);
    EXPECT_TRUE(mAlerts->messages.isEmpty()) << mAlerts->messages.join('\n').toStdString();
    // (The window's movie, sound and frames, is the render tool's: the inputs test compares them.)

    // Rendering it again asks first; Cancel keeps the movie and renders nothing.
    mAlerts->answer = NSAlertSecondButtonReturn;
    const qint64 size = QFileInfo(movie).size();
    click(render->widget());
    ASSERT_EQ(mAlerts->messages.size(), 1);
    EXPECT_TRUE(mAlerts->messages.first().contains(QStringLiteral("Replace it?")));
    EXPECT_TRUE(sDelegate->isIdle());
    EXPECT_EQ(QFileInfo(movie).size(), size);
    EXPECT_EQ(mBeeps, 1);
}

TEST_F(MainWindowTest, QuitAndCloseWaitForTheJobAndStopEndsIt) {
    chooseFiles(resource(QStringLiteral("compositions/Aurora.fs")),
                sHome->filePath(QStringLiteral("stopped")));
    sDelegate->setValue_forKey(600.0, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(startRender());
    ASSERT_TRUE(spinUntil([] { return sDelegate->statusText().contains(QStringLiteral("s left")); },
                          std::chrono::minutes(1)));
    keepPicture("rendering");
    // The menus follow the buttons: no second Render, Stop instead.
    EXPECT_FALSE(menuItem("Render")->isEnabled());
    EXPECT_TRUE(menuItem("Stop Rendering")->isEnabled());
    EXPECT_FALSE(menuItem("Choose Composition...")->isEnabled());
    // Quit and close say why they are refused; Cancel keeps the job going.
    mAlerts->answer = NSAlertFirstButtonReturn + 2;
    EXPECT_EQ(sDelegate->applicationShouldTerminate(NSApp), NSUInteger(NSTerminateCancel));
    sDelegate->window()->widget()->close();
    EXPECT_TRUE(sDelegate->window()->isVisible());
    EXPECT_EQ(mAlerts->messages.size(), 2);
    EXPECT_TRUE(
        mAlerts->messages.value(0).startsWith(QStringLiteral("A movie is still being made")));
    EXPECT_EQ(mAlerts->buttons.value(0),
              (QStringList{"Stop and Quit", "Quit When Written", "Cancel"}));
    EXPECT_FALSE(sDelegate->quitsWhenJobEnds());
    EXPECT_EQ(mBeeps, 0);
    EXPECT_FALSE(sDelegate->isIdle());

    // Escape stops the job (the Stop Rendering item's key).
    QWidget* window = sDelegate->window()->widget();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, 10000));
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(spinUntil([] { return sDelegate->isIdle(); }, std::chrono::minutes(2)));
    EXPECT_THAT(status(), StartsWith("Stopped."));
    EXPECT_EQ(mAlerts->messages.size(), 2);
    EXPECT_EQ(sDelegate->applicationShouldTerminate(NSApp), NSUInteger(NSTerminateNow));
    EXPECT_TRUE(menuItem("Render")->isEnabled());
    EXPECT_FALSE(menuItem("Stop Rendering")->isEnabled());
}

TEST_F(MainWindowTest, FilesDroppedOnTheRowsAreChosenAsInThePanel) {
    NSView* compositionRow =
        views<NSView>([](NSView* view) { return view->fileDropTarget() == sDelegate; }).value(0);
    NSView* folderRow = views<NSView>([](NSView* view) {
                            NSObject* taker = view->fileDropTarget();
                            return taker && taker->className() == u"USandboxFolderController";
                        }).value(0);
    ASSERT_TRUE(compositionRow && folderRow);
    const QString scene = resource(QStringLiteral("compositions/Kaleidoscope.fs"));
    EXPECT_TRUE(compositionRow->performFileDrop(scene));
    EXPECT_EQ(sDelegate->outletQuartzCompositionInputController->inputPath(), scene);
    EXPECT_EQ(sDelegate->window()->title(), QStringLiteral("Lumenreel \u2014 Kaleidoscope"));
    // A folder is no composition, a file no folder; a sound file is no composition either, and
    // the status line says so.
    EXPECT_FALSE(compositionRow->performFileDrop(sHome->path()));
    EXPECT_FALSE(compositionRow->performFileDrop(resource("sounds/demo-arpeggio.m4a")));
    EXPECT_EQ(sDelegate->outletQuartzCompositionInputController->inputPath(), scene);
    EXPECT_THAT(status(), StartsWith("demo-arpeggio.m4a was not taken as the composition"));
    EXPECT_FALSE(folderRow->performFileDrop(scene));
    const QString dropped = sHome->filePath(QStringLiteral("dropped"));
    ASSERT_TRUE(QDir().mkpath(dropped));
    EXPECT_TRUE(folderRow->performFileDrop(dropped));
    EXPECT_EQ(sDelegate->outletOutputUserFolder->folderPath(), dropped);
}

// One short job from the window: the filter's image input without a picture, in the web format.
TEST_F(MainWindowTest, TheFormatPopUpChoosesTheMoviesFormatAndAnInputWithoutAPictureIsNamed) {
    NSPopUpButton* formats = formatPopUp();
    ASSERT_NE(formats, nullptr);
    const QString out = sHome->filePath(QStringLiteral("web"));
    chooseFiles(resource(QStringLiteral("compositions/Ripple.fs")), out);
    EXPECT_FALSE(sDelegate->hidesDependentInputs());
    sDelegate->setMovieDimensions(0);
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    formats->chooseItemAtIndex(5); // as a click on the item does
    EXPECT_EQ(sDelegate->deliveryFormat(), 5);
    sDelegate->outletQTZ1DependentInputController->setSandboxURL(nullptr);
    ASSERT_TRUE(renderToTheEnd());
    sDelegate->setDeliveryFormat(0);
    EXPECT_EQ(formats->selectedTag(), 0);

    // The job says which input got no picture; the 10 s sound against 0.2 s of video adds a note
    // after that, which names the window's check box.
    const QString movie = QDir(out).filePath(QStringLiteral("Ripple.mp4"));
    EXPECT_THAT(status(), StartsWith("Written: " + movie.toStdString() +
                                     " No picture is bound to inputImage: it shows as "
                                     "transparent. Note: the sound"));
    EXPECT_THAT(status(), HasSubstr("\u201cCut the sound at the movie's end\u201d ends the sound "
                                    "with the video."));
    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_EQ(inspected.tracks.size(), 2);
    EXPECT_EQ(inspected.tracks[1].codec, QStringLiteral("h264"));

    // The rows with a picture chosen, to look at.
    choose(sDelegate->outletQTZ1DependentInputController,
           writePicture(sHome->filePath("red.png"), {16, 16}, Qt::red));
    keepPicture("inputs");
    sDelegate->outletQTZ1DependentInputController->setSandboxURL(nullptr);
}

TEST_F(MainWindowTest, ALanguageSwitchRetitlesTheWindowWithoutReloadingIt) {
    NSButton* render = button(QStringLiteral("actionRenderCompositionToMovieFile:"));
    ASSERT_NE(render, nullptr);
    const QImage english = sDelegate->window()->widget()->grab().toImage();

    // The same button, retitled (the switch's notifications are the language controller's).
    setLanguage(1);
    EXPECT_EQ(render->title(), QStringLiteral("Rendern"));
    // The Language menu ticks the language shown; the Format entries are translated.
    EXPECT_EQ(menuItem("Deutsch")->state(), NSOnState);
    EXPECT_EQ(menuItem("English")->state(), NSOffState);
    EXPECT_EQ(formatPopUp()->itemTitleAtIndex(0), QStringLiteral("Animation (verlustfrei)"));
    EXPECT_NE(sDelegate->window()->widget()->grab().toImage(), english);
    keepPicture("german");

    // (That every text fits its control in each language is the layout test's.)
    setLanguage(0);
    EXPECT_EQ(render->title(), QStringLiteral("Render"));
    EXPECT_EQ(menuItem("English")->state(), NSOnState);
    EXPECT_EQ(formatPopUp()->itemTitleAtIndex(0), QStringLiteral("Animation (lossless)"));
}

} // namespace
