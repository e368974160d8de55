// The studio column's timing and the Size pop-up's added sizes as a person uses them: the check
// boxes, what they do to the job the window describes and to the Seconds field, the custom size's
// fields, and how they all come back from the settings.

#include "MainWindowFixture.h"

#include "app/job/RenderPresets.h"
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSTextField.h"
#include "platform/qtkit/MovieInspector.h"

#include <QSignalSpy>

namespace {

using namespace lumenreel::test;

class MainWindowTimingTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        sDelegate->setMovieDimensions(0);
        sDelegate->setValue_forKey(30u, QStringLiteral("compositionMovieFrameRate"));
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
    static NSPopUpButton* sizePopUp() {
        return views<NSPopUpButton>(
                   [](NSPopUpButton* popUp) { return popUp->itemTitleAtIndex(0) == u"640 x 480"; })
            .value(0);
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

    // Off by default: the Seconds field's 2 s, end frame included, the whole sound.
    RenderJob job = sDelegate->windowJob();
    EXPECT_FALSE(job.durationFromSound || job.loop || job.cutSound);
    EXPECT_EQ(job.frameCount(), 61);
    EXPECT_TRUE(seconds->isEnabled());

    // Each click changes the job the window describes, and says so.
    QSignalSpy changes(sDelegate, &GKAppDelegate::windowJobChanged);
    tick(fromSound);
    EXPECT_TRUE(sDelegate->compositionMovieDurationFromSound());
    EXPECT_FALSE(seconds->isEnabled());
    job = sDelegate->windowJob();
    EXPECT_TRUE(job.durationFromSound);
    EXPECT_DOUBLE_EQ(job.durationSeconds, 10.0); // the sound's length
    EXPECT_EQ(job.frameCount(), 301);
    // The Seconds setting itself stays, for when the box is cleared.
    EXPECT_EQ(sDelegate->compositionMovieDuration(), 2.0);
    tick(loop);
    tick(cut);
    EXPECT_EQ(changes.size(), 3);
    job = sDelegate->windowJob();
    EXPECT_TRUE(job.loop && job.cutSound);
    EXPECT_EQ(job.frameCount(), 300);

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
    EXPECT_TRUE(sDelegate->statusText().contains(QStringLiteral("there is no sound")))
        << sDelegate->statusText().toStdString();
    EXPECT_TRUE(QDir(sHome->filePath(QStringLiteral("soundless"))).isEmpty());

    tick(fromSound);
    tick(loop);
    tick(cut);
    EXPECT_FALSE(sDelegate->windowJob().durationFromSound);
}

TEST_F(MainWindowTimingTest, ASoundFarLongerThanTheMovieIsNamedInTheStatusLine) {
    chooseComposition(resource(QStringLiteral("compositions/Aurora.fs")));
    chooseSound();
    chooseFolder(sHome->filePath(QStringLiteral("timing")));
    // 10 s of sound against 0.2 s of video.
    sDelegate->setValue_forKey(0.2, QStringLiteral("compositionMovieDuration"));
    ASSERT_TRUE(startRender());
    EXPECT_TRUE(sDelegate->statusText().contains(
        QStringLiteral("\u201cCut the sound at the movie's end\u201d")))
        << sDelegate->statusText().toStdString();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(sDelegate->statusText().startsWith(QStringLiteral("Written: ")));
    EXPECT_TRUE(sDelegate->statusText().contains(QStringLiteral("GStreamer")));

    // Cut, the movie ends with its video and nothing needs saying.
    tick(checkBox(QStringLiteral("Cut the sound at the movie's end")));
    ASSERT_TRUE(startRender());
    EXPECT_FALSE(sDelegate->statusText().contains(QStringLiteral("GStreamer")));
    ASSERT_TRUE(waitUntilIdle());
    const QString movie = sDelegate->lastMoviePath();
    ASSERT_FALSE(movie.isEmpty()) << sDelegate->statusText().toStdString();
    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_EQ(inspected.tracks.size(), 2);
    EXPECT_LT(inspected.tracks[0].seconds, inspected.tracks[1].seconds + 0.03);
    tick(checkBox(QStringLiteral("Cut the sound at the movie's end")));
}

TEST_F(MainWindowTimingTest, TheCustomSizeHasItsFieldsAndTheAddedSizesKeepTheOldTags) {
    NSPopUpButton* sizes = sizePopUp();
    NSTextField* width = numberField(kMovieDimensionCustomMaxSide, 0);
    NSTextField* height = numberField(kMovieDimensionCustomMaxSide, 1);
    ASSERT_TRUE(sizes && width && height);
    EXPECT_TRUE(width->isHidden() && height->isHidden());

    // The added sizes follow the original ones, whose tags keep their sizes.
    const QList<std::pair<QString, QSizeF>> added = {{"1080 x 1080", {1080, 1080}},
                                                     {"1080 x 1920", {1080, 1920}},
                                                     {"2560 x 1440", {2560, 1440}},
                                                     {"3840 x 2160", {3840, 2160}}};
    for (int index = 0; index < added.size(); ++index) {
        EXPECT_EQ(sizes->itemTitleAtIndex(12 + index), added[index].first);
        sizes->chooseItemAtIndex(12 + index); // as a click on the item does
        EXPECT_EQ(sDelegate->movieDimensions(), 13 + index);
        EXPECT_EQ(sDelegate->windowJob().sizePixels, added[index].second);
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
    EXPECT_EQ(sDelegate->customMovieHeight(), kMovieDimensionCustomMinSide);
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
