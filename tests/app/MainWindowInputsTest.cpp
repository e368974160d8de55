// The panel of the composition's inputs: a control for each input that takes a value, each
// change reaching the window's job as the text a command line gives, the values kept per
// composition file (also across a relaunch), and the window's movie the same as the render
// tool's with the same values set.

#include "MainWindowFixture.h"

#include "app/window/AppInputsPanel.h"
#include "common/RunChild.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace {

using namespace lumenreel::test;

// One input of each kind that takes a value, and one that hears the sound.
constexpr const char* kControls = R"(/*{
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "level", "TYPE": "float", "DEFAULT": 0.5, "MIN": 0, "MAX": 2},
    {"NAME": "shape", "TYPE": "long", "VALUES": [1, 2, 3], "LABELS": ["One", "Two", "Three"],
     "DEFAULT": 2},
    {"NAME": "steps", "TYPE": "long", "MIN": 0, "MAX": 10, "DEFAULT": 4},
    {"NAME": "lit", "TYPE": "bool", "DEFAULT": true},
    {"NAME": "flash", "TYPE": "event"},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [1, 0, 0, 1]},
    {"NAME": "centre", "TYPE": "point2D", "DEFAULT": [0.5, 0.5], "MIN": [0, 0], "MAX": [1, 1]},
    {"NAME": "wave", "TYPE": "audio"}
  ]
}*/
void main() {
    float on = lit ? 1.0 : 0.0;
    gl_FragColor = vec4(level * 0.5, float(shape + steps) / 13.0, on, 1.0) * tint +
                   vec4(centre, 0.0, 0.0) * (flash ? 1.0 : 0.0);
}
)";

class MainWindowInputsTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        mPreviousChooser = AppInputsPanel::setColorChooser({});
    }
    void TearDown() override {
        AppInputsPanel::setColorChooser(mPreviousChooser);
        WindowFixture::TearDown();
    }

    static AppInputsPanel* panel() { return views<AppInputsPanel>().value(0); }
    template <class W>
    static W* control(const QString& name, const QString& role = {}) {
        return panel() ? qobject_cast<W*>(panel()->control(name, role)) : nullptr;
    }
    // The item `role` of the input's menu of how it moves ("level", "bass").
    static QAction* motionItem(const QString& name, const QString& role) {
        auto* button = control<QToolButton>(name, "motion");
        return button && button->menu()
                   ? button->menu()->findChild<QAction*>(name + ".motion." + role)
                   : nullptr;
    }
    static QStringList jobValues() { return named(sDelegate->windowJob().inputs.values); }
    static QVariantMap savedValues() {
        return NSUserDefaults::standardUserDefaults()
            ->objectForKey(QStringLiteral("compositionInputValues"))
            .toMap();
    }

    AppInputsPanel::ColorChooser mPreviousChooser;
};

TEST_F(MainWindowInputsTest, EachInputGetsItsControlAndEachChangeReachesTheJob) {
    sDelegate->actionClearSoundMovie(nullptr);
    chooseComposition(writeFile(QStringLiteral("kinds/Controls.fs"), kControls));
    QSignalSpy changes(sDelegate, &GKAppDelegate::windowJobChanged);
    QSignalSpy events(sDelegate, &GKAppDelegate::compositionInputEventFired);
    // Each change reaches the job at once, and the job says it changed.
    const auto expectJob = [&](const QStringList& values) {
        EXPECT_EQ(jobValues(), values);
        EXPECT_GT(changes.count(), 0);
        changes.clear();
    };

    auto* slider = control<QSlider>("level", "slider");
    auto* field = control<QLineEdit>("level", "field");
    auto* popup = control<QComboBox>("shape", "popup");
    auto* steps = control<QSpinBox>("steps", "number");
    auto* lit = control<QCheckBox>("lit", "check");
    auto* well = control<QToolButton>("tint", "well");
    auto* wave = control<QLabel>("wave", "sound");
    ASSERT_TRUE(slider && field && popup && steps && lit && well && wave);
    EXPECT_EQ(field->text(), QStringLiteral("0.5"));
    EXPECT_EQ(slider->value(), 250);
    QTest::keyClick(slider, Qt::Key_End);
    expectJob({"level=2"});
    EXPECT_EQ(field->text(), QStringLiteral("2"));
    type(field, QStringLiteral("0.25"));
    expectJob({"level=0.25"});
    EXPECT_EQ(slider->value(), 125);
    // Beyond MAX: refused with a beep, as --set refuses it; the value stays.
    const int beeps = mBeeps;
    type(field, QStringLiteral("5"));
    EXPECT_EQ(mBeeps, beeps + 1);
    EXPECT_EQ(field->text(), QStringLiteral("0.25"));
    EXPECT_EQ(jobValues(), QStringList{"level=0.25"});
    changes.clear();

    EXPECT_EQ(popup->count(), 3);
    EXPECT_EQ(popup->currentText(), QStringLiteral("Two"));
    QTest::keyClick(popup, Qt::Key_Down);
    expectJob({"level=0.25", "shape=3"});

    EXPECT_EQ(steps->value(), 4);
    EXPECT_EQ(steps->maximum(), 10);
    QTest::keyClick(steps, Qt::Key_Up);
    expectJob({"level=0.25", "shape=3", "steps=5"});

    EXPECT_TRUE(lit->isChecked());
    click(lit);
    expectJob({"level=0.25", "shape=3", "steps=5", "lit=false"});

    // An event fires for the preview, which adds `centre` to one frame (green shows nowhere else
    // under the red tint), and leaves the job as it was.
    bool flashed = false;
    QObject guard;
    QObject::connect(GKPreviewController::controllerForDelegate(sDelegate)->engine(),
                     &PreviewEngine::frameReady, &guard, [&](const QImage& frame, double) {
                         flashed = flashed || frame.pixelColor(1, 1).greenF() > 0.4;
                     });
    click(control<QPushButton>("flash", "button"));
    ASSERT_EQ(events.count(), 1);
    EXPECT_EQ(events.first().first().toString(), QStringLiteral("flash"));
    EXPECT_EQ(jobValues(), (QStringList{"level=0.25", "shape=3", "steps=5", "lit=false"}));
    EXPECT_TRUE(spinUntil([&] { return flashed; }));

    // The colour well starts the chooser at the input's colour; its alpha comes through.
    QColor offered;
    AppInputsPanel::setColorChooser([&](const QColor& initial, const QString&) {
        offered = initial;
        return std::optional<QColor>(QColor::fromRgbF(0.0f, 0.5f, 1.0f, 0.25f));
    });
    click(well);
    EXPECT_EQ(offered, QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f));
    const QCInputValue tint = sDelegate->compositionInputValues().value(QStringLiteral("tint"));
    for (const auto& [component, expected] : {std::pair{0, 0.0}, {1, 0.5}, {2, 1.0}, {3, 0.25}})
        EXPECT_NEAR(tint[component], expected, 1e-4) << component;
    ASSERT_EQ(jobValues().size(), 5);
    changes.clear();
    // Cancelled: nothing changes.
    AppInputsPanel::setColorChooser([](const QColor&, const QString&) { return std::nullopt; });
    click(well);
    EXPECT_EQ(sDelegate->compositionInputValues().value(QStringLiteral("tint")), tint);
    EXPECT_EQ(changes.count(), 0);

    type(control<QLineEdit>("centre", "x"), QStringLiteral("0.125"));
    type(control<QLineEdit>("centre", "y"), QStringLiteral("0.75"));
    EXPECT_EQ(jobValues().last(), QStringLiteral("centre=0.125,0.75"));

    // The sound input names the sound, once there is one.
    EXPECT_EQ(wave->text(), QStringLiteral("No sound"));
    chooseSound();
    EXPECT_EQ(wave->text(), QStringLiteral("demo-arpeggio.m4a"));
    keepPicture(QStringLiteral("inputs-panel"));
}

TEST_F(MainWindowInputsTest, ValuesFollowTheirCompositionAndResetGivesTheDefaults) {
    const QString first = writeFile(QStringLiteral("follow/First.fs"), kControls);
    const QString second = writeFile(QStringLiteral("follow/Second.fs"),
                                     contentsOf(resource("compositions/Aurora.fs")));
    chooseComposition(first);
    ASSERT_TRUE(
        sDelegate->setCompositionInputValue(QStringLiteral("level"), QStringLiteral("1.5")));
    click(control<QCheckBox>("lit", "check"));
    EXPECT_EQ(jobValues(), (QStringList{"level=1.5", "lit=false"}));

    // Another composition: its own inputs, at their defaults.
    chooseComposition(second);
    EXPECT_EQ(control<QSlider>("level", "slider"), nullptr);
    ASSERT_NE(control<QComboBox>("curtains", "popup"), nullptr);
    EXPECT_EQ(control<QComboBox>("curtains", "popup")->currentText(), QStringLiteral("Three"));
    EXPECT_TRUE(jobValues().isEmpty());
    type(control<QLineEdit>("speed", "field"), QStringLiteral("1"));
    EXPECT_EQ(jobValues(), QStringList{"speed=1"});

    // Back to the first: its values again, in the controls too.
    chooseComposition(first);
    EXPECT_EQ(jobValues(), (QStringList{"level=1.5", "lit=false"}));
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("1.5"));
    EXPECT_FALSE(control<QCheckBox>("lit", "check")->isChecked());

    // In another language the controls are made anew, with their values.
    setLanguage(1);
    ASSERT_NE(control<QPushButton>("reset"), nullptr);
    EXPECT_EQ(control<QPushButton>("reset")->text(), QStringLiteral("Zur\u00fccksetzen"));
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("1,5"));
    setLanguage(0);
    auto* reset = control<QPushButton>("reset");
    ASSERT_TRUE(reset && reset->isEnabled());
    QSignalSpy changes(sDelegate, &GKAppDelegate::windowJobChanged);
    click(reset);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(jobValues().isEmpty());
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("0.5"));
    EXPECT_TRUE(control<QCheckBox>("lit", "check")->isChecked());
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_FALSE(savedValues().contains(first));
    EXPECT_EQ(savedValues().value(second).toMap(), (QVariantMap{{"speed", "1"}}));

    // The file changed under a saved value: a value that no longer fits is left out.
    ASSERT_TRUE(
        sDelegate->setCompositionInputValue(QStringLiteral("level"), QStringLiteral("1.5")));
    ASSERT_TRUE(sDelegate->setCompositionInputValue(QStringLiteral("steps"), QStringLiteral("7")));
    writeFile(QStringLiteral("follow/First.fs"),
              QByteArray(kControls).replace("\"MIN\": 0, \"MAX\": 2", "\"MIN\": 0, \"MAX\": 1"));
    chooseComposition(second);
    chooseComposition(first);
    EXPECT_EQ(jobValues(), QStringList{"steps=7"});
    EXPECT_EQ(savedValues().value(first).toMap(), (QVariantMap{{"steps", "7"}}));
}

TEST_F(MainWindowInputsTest, EachInputsMenuSetsKeysOrABandWithItsGainAndKeysFollowThePreviewsTime) {
    chooseComposition(writeFile(QStringLiteral("moving/Controls.fs"), kControls));
    GKPreviewController* preview = GKPreviewController::controllerForDelegate(sDelegate);
    ASSERT_TRUE(preview && preview->engine());
    const auto seek = [&](double seconds) {
        preview->engine()->pause();
        preview->engine()->seek(seconds);
    };
    const auto pick = [](const QString& name, const QString& item) {
        QAction* action = motionItem(name, item);
        ASSERT_NE(action, nullptr) << item.toStdString();
        action->trigger();
    };
    EXPECT_EQ(control<QToolButton>("flash", "motion"), nullptr);
    EXPECT_EQ(motionItem("tint", "bass"), nullptr);

    // A key at 0 s, then the slider at 1 s sets a second key there.
    seek(0.0);
    pick("level", "key");
    EXPECT_EQ(jobValues(), QStringList{"level@0=0.5"});
    seek(1.0);
    QTest::keyClick(control<QSlider>("level", "slider"), Qt::Key_End);
    EXPECT_EQ(jobValues(), (QStringList{"level@0=0.5", "level@1=2"}));
    // Between the keys the controls show the value there; one value keeps it.
    seek(0.5);
    pick("level", "constant");
    EXPECT_EQ(jobValues(), QStringList{"level=1.25"});
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("1.25"));

    // Following the bass; the field takes a gain.
    pick("level", "bass");
    EXPECT_EQ(jobValues(), QStringList{"level=sound:bass"});
    EXPECT_FALSE(control<QSlider>("level", "slider")->isEnabled());
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("sound:bass"));
    type(control<QLineEdit>("level", "field"), QStringLiteral("sound:bass*2"));
    EXPECT_EQ(jobValues(), QStringList{"level=sound:bass*2"});
    sDelegate->actionResetCompositionInputs(nullptr);
    EXPECT_TRUE(jobValues().isEmpty());

    std::optional<double> answer = 2.5;
    QList<QPair<double, QString>> asked;
    const AppInputsPanel::GainChooser previous =
        AppInputsPanel::setGainChooser([&](double initial, const QString& title) {
            asked.append({initial, title});
            return answer;
        });

    // A long input, which has no field to type a gain into, follows the bass with the gain the
    // menu asks for; another band keeps it, and a cancelled question changes nothing.
    ASSERT_NE(motionItem("steps", "gain"), nullptr);
    EXPECT_FALSE(motionItem("steps", "gain")->isEnabled());
    motionItem("steps", "bass")->trigger();
    EXPECT_TRUE(motionItem("steps", "gain")->isEnabled());
    motionItem("steps", "gain")->trigger();
    EXPECT_EQ(jobValues(), QStringList{"steps=sound:bass*2.5"});
    EXPECT_EQ(asked, (QList<QPair<double, QString>>{{1.0, QStringLiteral("Gain of steps")}}));
    motionItem("steps", "treble")->trigger();
    EXPECT_EQ(jobValues(), QStringList{"steps=sound:treble*2.5"});
    answer.reset();
    motionItem("steps", "gain")->trigger();
    EXPECT_EQ(jobValues(), QStringList{"steps=sound:treble*2.5"});
    EXPECT_EQ(asked.size(), 2);
    AppInputsPanel::setGainChooser(previous);
    motionItem("steps", "constant")->trigger();

    // Keys 0 at 0 s and 2 at 2 s: moving the preview's time moves the controls with it.
    seek(0.0);
    ASSERT_TRUE(
        sDelegate->setCompositionInputValue(QStringLiteral("level@0"), QStringLiteral("0")));
    ASSERT_TRUE(
        sDelegate->setCompositionInputValue(QStringLiteral("level@2"), QStringLiteral("2")));
    seek(1.5);
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("1.5"));
    EXPECT_EQ(control<QSlider>("level", "slider")->value(), 750);
    seek(0.25);
    EXPECT_EQ(control<QLineEdit>("level", "field")->text(), QStringLiteral("0.25"));
}

TEST_F(MainWindowInputsTest, TheWindowsMovieIsTheRenderToolsWithTheSameValuesSet) {
    const QString out = sHome->filePath(QStringLiteral("same"));
    const QString composition =
        writeFile("same/Aurora.fs", contentsOf(resource("compositions/Aurora.fs")));
    const QString sound = resource(QStringLiteral("sounds/demo-arpeggio.m4a"));
    chooseFiles(composition, out);
    sDelegate->setMovieDimensions(0);
    sDelegate->setValue_forKey(30u, QStringLiteral("compositionMovieFrameRate"));
    sDelegate->setValue_forKey(0.1, QStringLiteral("compositionMovieDuration"));
    AppInputsPanel::setColorChooser([](const QColor&, const QString&) {
        return std::optional<QColor>(QColor::fromRgbF(0.9f, 0.3f, 0.1f, 1.0f));
    });
    click(control<QToolButton>("glow", "well"));
    type(control<QLineEdit>("speed", "field"), QStringLiteral("1.7"));
    click(control<QCheckBox>("stars", "check"));
    const QStringList values = jobValues();
    ASSERT_EQ(values.size(), 3) << values.join(' ').toStdString();
    keepPicture(QStringLiteral("inputs-aurora"));

    ASSERT_TRUE(startRender()) << status();
    // The running job keeps the values it started with.
    EXPECT_FALSE(control<QLineEdit>("speed", "field")->isEnabled());
    EXPECT_FALSE(sDelegate->setCompositionInputValue(QStringLiteral("speed"), QStringLiteral("1")));
    ASSERT_TRUE(waitUntilIdle());
    const QString windowMovie = QDir(out).filePath(QStringLiteral("Aurora.mov"));
    // (A note on the 10 s sound against 0.1 s of video follows the path.)
    ASSERT_THAT(status(), StartsWith("Written: " + windowMovie.toStdString() + ' '));

    // The tool, with the job's values as --set (that --set changes the frames is the tool
    // tests' to show).
    const QString folder = sHome->filePath(QStringLiteral("same/tool"));
    QDir().mkpath(folder);
    QStringList arguments{"--size", "640x480", "--fps", "30",       "--duration",
                          "0.1",    "--audio", sound,   "--output", folder};
    for (const QString& set : values)
        arguments << QStringLiteral("--set") << set;
    const ChildRun run = runChild(QStringLiteral(LUMENREEL_RENDER_TOOL),
                                  {.arguments = arguments << composition,
                                   .environment = {{QStringLiteral("HOME"), sHome->path()}},
                                   .deadline = std::chrono::minutes(5)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QImage> fromWindow = decodeVideoFrames(windowMovie, 1);
    ASSERT_EQ(fromWindow.size(), 4);
    EXPECT_TRUE(fromWindow == decodeVideoFrames(QDir(folder).filePath("Aurora.mov"), 1));
}

} // namespace
