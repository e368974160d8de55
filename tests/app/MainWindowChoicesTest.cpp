// What the window keeps and clears as a person makes new choices: the status line, preview,
// progress bar and Show in Folder after a new composition or job; the image rows, which follow
// the chosen composition's inputs; the number fields, in the language of the window.

#include "MainWindowFixture.h"

#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkit/NSTextField.h"
#include "platform/qtkit/MovieInspector.h"

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
    static QStringList fed() {
        QStringList files;
        for (const auto& [name, path] : sDelegate->compositionInputs().files)
            files << name + QLatin1Char('=') + QFileInfo(path).fileName();
        return files;
    }
};

TEST_F(MainWindowChoicesTest, ANewChoiceOrJobClearsWhatTheLastJobLeft) {
    auto* preview =
        qobject_cast<NSImageView*>(sDelegate->outletQuartzMovieRenderer->outletImageView);
    auto* progress =
        qobject_cast<NSProgressIndicator*>(sDelegate->outletQuartzMovieRenderer->outletProgress);
    ASSERT_TRUE(preview && progress);
    const QString scene =
        writeFile(QStringLiteral("Scene.fs"), contentsOf(resource("compositions/Aurora.fs")));
    chooseFolder(sHome->filePath(QStringLiteral("clean")));
    chooseSound();

    // The command says that a composition is missing; choosing one clears that.
    sDelegate->outletQuartzCompositionInputController->setSandboxURL(nullptr);
    EXPECT_FALSE(sDelegate->actionRenderCompositionToMovieFile(nullptr));
    EXPECT_TRUE(sDelegate->statusText().startsWith(QStringLiteral("No composition is chosen")));
    chooseComposition(scene);
    EXPECT_EQ(sDelegate->statusText(), QString());

    // A movie written: its last frame, a full bar, Show in Folder.
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(startRender());
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(sDelegate->statusText().startsWith(QStringLiteral("Written: ")));
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
    ASSERT_TRUE(sDelegate->statusText().startsWith(QStringLiteral("Stopped.")));
    EXPECT_GE(progress->doubleValue(), 0.25);

    // The composition's file breaks: the failed job leaves no bar of the stopped one.
    brokenComposition(QStringLiteral("Scene.fs"));
    ASSERT_TRUE(startRender());
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(sDelegate->statusText().startsWith(QStringLiteral("No movie was written")));
    EXPECT_EQ(progress->doubleValue(), 0.0);
    EXPECT_TRUE(sDelegate->hidesShowInFolder());

    // A preview left by a job goes with a new composition.
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    ASSERT_TRUE(startRender());
    ASSERT_TRUE(waitUntilIdle());
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
    EXPECT_EQ(fed(), QStringList{"inputImage=red.png"});

    // A Shadertoy shader: its channels, with no file yet.
    chooseComposition(resource(QStringLiteral("compositions/SunsetWaves.glsl")));
    EXPECT_EQ(rows(), (QStringList{"iChannel0=", "iChannel1=", "iChannel2="}));
    EXPECT_TRUE(fed().isEmpty());
    choose(row(1), red);
    EXPECT_EQ(fed(), QStringList{"iChannel1=red.png"});

    // No image input: the rows feed nothing and take nothing.
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    EXPECT_EQ(rows(), (QStringList{"\u2013= (locked)", "\u2013= (locked)", "\u2013= (locked)"}));
    EXPECT_TRUE(fed().isEmpty());

    // Each file comes back with the input it was chosen for.
    chooseComposition(resource(QStringLiteral("compositions/Ripple.fs")));
    EXPECT_EQ(rows(), (QStringList{"inputImage=red.png", "\u2013= (locked)", "\u2013= (locked)"}));
    EXPECT_EQ(fed(), QStringList{"inputImage=red.png"});
    chooseComposition(resource(QStringLiteral("compositions/SunsetWaves.glsl")));
    EXPECT_EQ(rows(), (QStringList{"iChannel0=", "iChannel1=red.png", "iChannel2="}));

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

    EXPECT_TRUE(rate->finishEditing(QStringLiteral("29,97")));
    EXPECT_EQ(sDelegate->compositionMovieFrameRate(), 30u);
    EXPECT_EQ(rate->widget()->toolTip(), QStringLiteral("29,97 wurde auf 30 gerundet."));
    EXPECT_TRUE(rate->finishEditing(QStringLiteral("-1")));
    EXPECT_EQ(sDelegate->compositionMovieFrameRate(), 1u);
    EXPECT_EQ(rate->widget()->toolTip(),
              QStringLiteral("-1 liegt außerhalb von 1 bis 600; verwendet wird 1."));
    EXPECT_FALSE(rate->finishEditing(QStringLiteral("schnell")));
    EXPECT_EQ(sDelegate->compositionMovieFrameRate(), 1u);
    EXPECT_EQ(rate->numberNotice(), NSTextFieldNumberNotice::Refused);
    EXPECT_EQ(rate->widget()->toolTip(),
              QStringLiteral("\u201eschnell\u201c ist keine Zahl; der Wert bleibt 1."));

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
    EXPECT_TRUE(rate->finishEditing(QStringLiteral("30")));
    EXPECT_TRUE(rate->widget()->toolTip().isEmpty());
}

} // namespace
