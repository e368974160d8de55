// What the window keeps and clears as a person makes new choices: the status line, preview,
// progress bar and Show in Folder after a new composition or job; the image rows, which follow
// the chosen composition's inputs; the number fields, in the language of the window; the timing
// check boxes and the added sizes.

#include "MainWindowFixture.h"

#include "app/job/RenderPresets.h"
#include "interface/CocoaFoundation/UPersistentObjectsController.h"

namespace {

using namespace lumenreel::test;

class MainWindowChoicesTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        sDelegate->setMovieDimensions(0);
        sDelegate->setValue_forKey(30u, QStringLiteral("compositionMovieFrameRate"));
    }

    USandboxInputFileController* row(int index) const {
        USandboxInputFileController* rows[] = {sDelegate->outletQTZ1DependentInputController,
                                               sDelegate->outletQTZ2DependentInputController,
                                               sDelegate->outletQTZ3DependentInputController};
        return rows[index];
    }
    // Each row's label and chosen file, and whether its Choose button is enabled.
    QStringList rows() const {
        QStringList shown;
        for (int index = 0; index < 3; ++index) {
            NSButton* chooser = button(QStringLiteral("actionBrowseInputPath:"), row(index));
            shown << QStringLiteral("%1=%2%3").arg(
                sDelegate->imageInputLabel(index), QFileInfo(row(index)->inputPath()).fileName(),
                chooser && chooser->isEnabled() ? QString() : QStringLiteral(" (locked)"));
        }
        return shown;
    }
    static QStringList fed() { return named(sDelegate->compositionInputs().files); }
};

TEST_F(MainWindowChoicesTest, ANewChoiceOrJobClearsWhatTheLastJobLeft) {
    auto* preview =
        qobject_cast<NSImageView*>(sDelegate->outletQuartzMovieRenderer->outletImageView);
    auto* progress =
        qobject_cast<NSProgressIndicator*>(sDelegate->outletQuartzMovieRenderer->outletProgress);
    ASSERT_TRUE(preview && progress);
    const QString scene = writeFile("Scene.fs", contentsOf(resource("compositions/Aurora.fs")));
    chooseFolder(sHome->filePath("clean"));
    chooseSound();

    // The command says that a composition is missing; choosing one clears that.
    sDelegate->outletQuartzCompositionInputController->setSandboxURL(nullptr);
    EXPECT_FALSE(sDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_THAT(status(), StartsWith("No composition is chosen"));
    chooseComposition(scene);
    EXPECT_EQ(sDelegate->statusText(), QString());

    // A movie written: its last frame, a full bar, Show in Folder.
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(renderToTheEnd());
    ASSERT_THAT(status(), StartsWith("Written: "));
    EXPECT_NE(preview->image(), nullptr);
    EXPECT_EQ(progress->doubleValue(), 1.0);
    EXPECT_FALSE(sDelegate->hidesShowInFolder());

    // The next job hides Show in Folder and starts the bar again; it is stopped part way.
    sDelegate->setValue_forKey(4.0, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(startRender());
    EXPECT_TRUE(sDelegate->hidesShowInFolder());
    EXPECT_LT(progress->doubleValue(), 0.5);
    ASSERT_TRUE(spinUntil([&] { return progress->doubleValue() >= 0.25; }));
    sDelegate->actionCancelRendering(nullptr);
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_THAT(status(), StartsWith("Stopped."));
    EXPECT_GE(progress->doubleValue(), 0.25);

    // The composition's file breaks: an alert with the compiler's message, and the failed job
    // leaves no bar of the stopped one.
    brokenComposition(QStringLiteral("Scene.fs"));
    ASSERT_TRUE(renderToTheEnd());
    ASSERT_THAT(status(), StartsWith("No movie was written"));
    ASSERT_FALSE(mAlerts->messages.isEmpty());
    EXPECT_TRUE(mAlerts->messages.last().contains(QStringLiteral("undeclared")))
        << mAlerts->messages.last().toStdString();
    EXPECT_EQ(progress->doubleValue(), 0.0);
    EXPECT_TRUE(sDelegate->hidesShowInFolder());

    // A preview left by a job goes with a new composition.
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    ASSERT_TRUE(renderToTheEnd());
    ASSERT_NE(preview->image(), nullptr);
    chooseComposition(resource(QStringLiteral("compositions/SunsetWaves.glsl")));
    EXPECT_EQ(preview->image(), nullptr);
    EXPECT_EQ(progress->doubleValue(), 0.0);
}

TEST_F(MainWindowChoicesTest, TheImageRowsShowAndFeedOnlyTheCompositionsImageInputs) {
    const QString red = writePicture(sHome->filePath(QStringLiteral("red.png")), {16, 16}, Qt::red);
    sDelegate->setHasDependentInputs(true);
    chooseComposition(resource(QStringLiteral("compositions/Ripple.fs")));
    EXPECT_EQ(rows(), (QStringList{"inputImage=", "\u2013= (locked)", "\u2013= (locked)"}));
    choose(row(0), red);
    EXPECT_EQ(fed(), QStringList{"inputImage=" + red});

    // A Shadertoy shader: its channels, with no file yet.
    chooseComposition(resource(QStringLiteral("compositions/SunsetWaves.glsl")));
    EXPECT_EQ(rows(), (QStringList{"iChannel0=", "iChannel1=", "iChannel2="}));
    EXPECT_TRUE(fed().isEmpty());
    choose(row(1), red);
    EXPECT_EQ(fed(), QStringList{"iChannel1=" + red});

    // No image input: the rows feed nothing and take nothing.
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    EXPECT_EQ(rows(), (QStringList{"\u2013= (locked)", "\u2013= (locked)", "\u2013= (locked)"}));
    EXPECT_TRUE(fed().isEmpty());

    // Each file comes back with the input it was chosen for.
    chooseComposition(resource(QStringLiteral("compositions/Ripple.fs")));
    EXPECT_EQ(rows(), (QStringList{"inputImage=red.png", "\u2013= (locked)", "\u2013= (locked)"}));
    EXPECT_EQ(fed(), QStringList{"inputImage=" + red});
    chooseComposition(resource(QStringLiteral("compositions/SunsetWaves.glsl")));

    // While a job runs no row takes a file.
    chooseFolder(sHome->filePath(QStringLiteral("rows")));
    sDelegate->setValue_forKey(30.0, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(startRender());
    EXPECT_EQ(rows(), (QStringList{"iChannel0= (locked)", "iChannel1=red.png (locked)",
                                   "iChannel2= (locked)"}));
    sDelegate->actionCancelRendering(nullptr);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(rows(), (QStringList{"iChannel0=", "iChannel1=red.png", "iChannel2="}));
}

TEST_F(MainWindowChoicesTest, TheNumberFieldsTakeTheLanguagesCommaAndSayWhatTheyChanged) {
    NSTextField* rate = numberField(600);
    NSTextField* seconds = numberField(86400);
    ASSERT_TRUE(rate && seconds);
    auto* edit = qobject_cast<QLineEdit*>(seconds->widget());

    setLanguage(1);
    sDelegate->setValue_forKey(33.3, QStringLiteral("compositionMovieDuration"));
    EXPECT_EQ(seconds->stringValue(), QStringLiteral("33,30"));
    type(edit, QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(sDelegate->compositionMovieDuration(), 2.5);
    EXPECT_EQ(edit->text(), QStringLiteral("2,50"));

    // What is typed, whether it is taken, the rate kept and the notice in German.
    const auto expectRate = [&](const QString& typed, bool taken, unsigned kept,
                                const QString& notice) {
        EXPECT_EQ(rate->finishEditing(typed), taken) << typed.toStdString();
        EXPECT_EQ(sDelegate->compositionMovieFrameRate(), kept) << typed.toStdString();
        EXPECT_EQ(rate->widget()->toolTip(), notice);
    };
    expectRate("29,97", true, 30, "29,97 wurde auf 30 gerundet.");
    expectRate("-1", true, 1, "-1 liegt außerhalb von 1 bis 600; verwendet wird 1.");
    expectRate("schnell", false, 1, "\u201eschnell\u201c ist keine Zahl; der Wert bleibt 1.");

    setLanguage(2);
    EXPECT_EQ(seconds->stringValue(), QStringLiteral("2,50"));
    EXPECT_TRUE(seconds->finishEditing(QStringLiteral("3,25")));
    EXPECT_DOUBLE_EQ(sDelegate->compositionMovieDuration(), 3.25);

    setLanguage(0);
    EXPECT_EQ(seconds->stringValue(), QStringLiteral("3.25"));
    EXPECT_TRUE(seconds->finishEditing(QStringLiteral("999999")));
    EXPECT_DOUBLE_EQ(sDelegate->compositionMovieDuration(), 86400.0);
    EXPECT_EQ(seconds->widget()->toolTip(),
              QStringLiteral("999999 is outside 0 to 86400; 86400.00 is used."));
}

// The studio column's timing and the Size pop-up's added sizes as a person uses them: the check
// boxes, what they do to the job the window describes and to the Seconds field, the custom size's
// fields, and how they all come back from the settings.
class MainWindowTimingTest : public MainWindowChoicesTest {
protected:
    void SetUp() override {
        MainWindowChoicesTest::SetUp();
        sDelegate->setValue_forKey(2.0, QStringLiteral("compositionMovieDuration"));
        for (const char* key : {"compositionMovieDurationFromSound", "compositionMovieLoop",
                                "compositionMovieCutSound"})
            sDelegate->setValue_forKey(false, QString::fromLatin1(key));
    }

    static NSButton* checkBox(const QString& title) {
        return views<NSButton>([&](NSButton* button) { return button->title() == title; }).value(0);
    }
    // Clicks a check box on its box, as a person does (beside its title a click does nothing).
    static void tick(NSButton* box) {
        ASSERT_NE(box, nullptr);
        QTest::mouseClick(box->widget(), Qt::LeftButton, {},
                          QPoint(8, box->widget()->height() / 2));
    }
    // The settings saved as the application saves them when it quits, the window's changed
    // afterwards, and the saved ones restored as at the next launch.
    static void saveChangeAndRestore(const std::function<void()>& change) {
        UPersistentObjectsController* persistence = sDelegate->outletPersistentObjectsController;
        ASSERT_NE(persistence, nullptr);
        persistence->applicationWillTerminate(nullptr);
        change();
        persistence->applicationWillFinishLaunching(nullptr);
    }
};

TEST_F(MainWindowTimingTest, TheCheckBoxesTimeTheWindowsJobAndComeBackFromTheSettings) {
    NSButton* fromSound = checkBox(QStringLiteral("As long as the sound"));
    NSButton* loop = checkBox(QStringLiteral("Loop"));
    NSButton* cut = checkBox(QStringLiteral("Cut the sound at the movie's end"));
    NSTextField* seconds = numberField(86400);
    ASSERT_TRUE(fromSound && loop && cut && seconds);
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    chooseSound();

    // Each click changes the job the window describes, and says so.
    QSignalSpy changes(sDelegate, &GKAppDelegate::windowJobChanged);
    tick(fromSound);
    EXPECT_FALSE(seconds->isEnabled());
    const RenderJob job = sDelegate->windowJob();
    EXPECT_TRUE(job.durationFromSound);
    EXPECT_DOUBLE_EQ(job.durationSeconds, 10.0); // the sound's length
    // The Seconds setting itself stays, for when the box is cleared.
    EXPECT_EQ(sDelegate->compositionMovieDuration(), 2.0);
    tick(loop);
    tick(cut);
    EXPECT_EQ(changes.size(), 3);
    EXPECT_TRUE(sDelegate->windowJob().loop && sDelegate->windowJob().cutSound);

    // Kept with the settings, as they were at the end of the run.
    saveChangeAndRestore([&] {
        tick(fromSound);
        tick(cut);
        EXPECT_TRUE(seconds->isEnabled());
    });
    EXPECT_TRUE(sDelegate->compositionMovieDurationFromSound() &&
                sDelegate->compositionMovieLoop() && sDelegate->compositionMovieCutSound());
    EXPECT_EQ(fromSound->state(), NSOnState);
    EXPECT_EQ(cut->state(), NSOnState);
    EXPECT_FALSE(seconds->isEnabled());

    // Without a sound there is no length to take: Render says so and renders nothing.
    chooseFolder(sHome->filePath(QStringLiteral("soundless")));
    sDelegate->actionClearSoundMovie(nullptr);
    EXPECT_FALSE(startRender());
    EXPECT_THAT(status(), HasSubstr("there is no sound"));
    EXPECT_TRUE(QDir(sHome->filePath(QStringLiteral("soundless"))).isEmpty());

    tick(fromSound);
    tick(loop);
    tick(cut);
    EXPECT_FALSE(sDelegate->windowJob().durationFromSound);
}

TEST_F(MainWindowTimingTest, TheCustomSizeHasItsFieldsAndTheAddedSizesKeepTheOldTags) {
    NSPopUpButton* sizes = views<NSPopUpButton>([](NSPopUpButton* popUp) {
                               return popUp->itemTitleAtIndex(0) == u"640 x 480";
                           }).value(0);
    NSTextField* width = numberField(kMovieDimensionCustomMaxSide, 0);
    NSTextField* height = numberField(kMovieDimensionCustomMaxSide, 1);
    ASSERT_TRUE(sizes && width && height);
    EXPECT_TRUE(width->isHidden() && height->isHidden());

    // The added sizes follow the original ones, whose tags keep their sizes.
    const QSizeF added[] = {{1080, 1080}, {1080, 1920}, {2560, 1440}, {3840, 2160}};
    for (int index = 0; index < 4; ++index) {
        const QSizeF size = added[index];
        EXPECT_EQ(sizes->itemTitleAtIndex(12 + index),
                  QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
        sizes->chooseItemAtIndex(12 + index); // as a click on the item does
        EXPECT_EQ(sDelegate->movieDimensions(), 13 + index);
        EXPECT_EQ(sDelegate->windowJob().sizePixels, size);
    }
    sizes->chooseItemAtIndex(11);
    EXPECT_EQ(sDelegate->movieDimensions(), 12);
    EXPECT_EQ(sDelegate->windowJob().sizePixels, QSizeF(4096, 2160));

    // Custom...: its fields show, and what they take (16 to 16384) is the job's size.
    ASSERT_EQ(sizes->itemTitleAtIndex(16), QStringLiteral("Custom\u2026"));
    QSignalSpy changes(sDelegate, &GKAppDelegate::windowJobChanged);
    sizes->chooseItemAtIndex(16);
    EXPECT_EQ(sDelegate->movieDimensions(), kMovieDimensionCustom);
    EXPECT_FALSE(width->isHidden() || height->isHidden());
    EXPECT_TRUE(width->isEnabled());
    EXPECT_TRUE(width->finishEditing(QStringLiteral("1234")));
    EXPECT_TRUE(height->finishEditing(QStringLiteral("8")));
    EXPECT_EQ(sDelegate->windowJob().sizePixels, QSizeF(1234, 16));
    EXPECT_GE(changes.size(), 3);
    keepPicture(QStringLiteral("custom-size"));
    setLanguage(1);
    keepPicture(QStringLiteral("custom-size-german"));
    setLanguage(0);
    EXPECT_TRUE(height->finishEditing(QStringLiteral("99999")));
    EXPECT_EQ(sDelegate->windowJob().sizePixels, QSizeF(1234, 16384));
    // A hand-edited setting outside the range is refused.
    sDelegate->setValue_forKey(0, QStringLiteral("customMovieWidth"));
    EXPECT_EQ(sDelegate->customMovieWidth(), 1234);

    // Kept with the settings; another size hides the fields again.
    saveChangeAndRestore([&] {
        sizes->chooseItemAtIndex(0);
        width->finishEditing(QStringLiteral("640"));
    });
    EXPECT_EQ(sDelegate->movieDimensions(), kMovieDimensionCustom);
    EXPECT_EQ(sizes->selectedTag(), kMovieDimensionCustom);
    EXPECT_EQ(sDelegate->compositionMovieDimensions(), QSizeF(1234, 16384));
    sizes->chooseItemAtIndex(0);
    EXPECT_TRUE(width->isHidden() && height->isHidden());
    EXPECT_EQ(sDelegate->windowJob().sizePixels, QSizeF(640, 480));
}

} // namespace
