// The application relaunched: a first run makes its choices through the window (scripted file
// panels, the size pop-up, the number fields, the composition's inputs, the Language menu) and
// quits from its menu; a second run, a new process with the same settings folder, shows them all
// again.

#include "MainWindowFixture.h"

#include "app/window/AppInputsPanel.h"
#include "common/RunChild.h"
#include "platform/appkit/NSMenu.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QCheckBox>
#include <QScreen>

#include <csignal>
#include <cstdio>

namespace {

using namespace lumenreel::test;

// The relaunched application's window, found as the window tests find it.
class RelaunchedWindow : public WindowFixture {
public:
    static GKAppDelegate* launched() {
        return sDelegate = qobject_cast<GKAppDelegate*>(NSApp->delegate());
    }

    // A control of the inputs panel, by its name ("speed.field").
    template <class W>
    static W* inputControl(const char* name) {
        AppInputsPanel* inputs = views<AppInputsPanel>().value(0);
        return inputs ? qobject_cast<W*>(inputs->control(QString::fromLatin1(name))) : nullptr;
    }

    static void clickClearSound() {
        button(QStringLiteral("actionClearSoundMovie:"))->performClick(nullptr);
    }

    // The first run: every choice made as a person makes it.
    static void choose(const QString& folder) {
        QStringList choices{resource(QStringLiteral("compositions/Aurora.fs")),
                            resource(QStringLiteral("sounds/demo-arpeggio.m4a")), folder};
        NSOpenPanel::setModalRunner([&choices](NSOpenPanel* panel) {
            panel->setURLs({NSURL::fileURLWithPath(choices.takeFirst())});
            return NSFileHandlingPanelOKButton;
        });
        NSMenu* menu = sDelegate->window()->menu();
        for (const char* item :
             {"Choose Composition...", "Choose Sound Movie...", "Choose Output Folder..."})
            menu->itemWithTitle(QString::fromLatin1(item))->sendAction();
        NSPopUpButton* sizes = views<NSPopUpButton>().value(0);
        sizes->chooseItemAtIndex(int(sizes->itemTitles().split(u'|').indexOf("1920 x 1080")));
        numberField(600)->finishEditing(QStringLiteral("25"));
        numberField(86400)->finishEditing(QStringLiteral("2"));
        // Two of Aurora's inputs.
        inputControl<QLineEdit>("speed.field")->setText(QStringLiteral("1.25"));
        emit inputControl<QLineEdit>("speed.field")->editingFinished();
        inputControl<QCheckBox>("stars.check")->click();
        menu->itemWithTitle(QStringLiteral("Deutsch"))->sendAction();
        // The user moved and enlarged the window (within the test's screen of 800 x 600).
        sDelegate->window()->setFrame(NSMakeRect(40, 30, 1020, 480), true);
    }

    // The second run: what the window shows, two lines, then Quit.
    static void reportAndQuit() {
        GKAppDelegate* app = sDelegate;
        NSButton* render = button(QStringLiteral("actionRenderCompositionToMovieFile:"));
        const auto* speed = inputControl<QLineEdit>("speed.field");
        const auto* stars = inputControl<QCheckBox>("stars.check");
        std::printf("report|%d|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s\n", app->movieDimensions(),
                    qPrintable(numberField(600)->stringValue()),
                    qPrintable(numberField(86400)->stringValue()),
                    qPrintable(app->outletQuartzCompositionInputController->inputPath()),
                    qPrintable(app->outletAudioTrackInputController->inputPath()),
                    qPrintable(app->outletOutputUserFolder->folderPath()),
                    qPrintable(render ? render->title() : QString()),
                    qPrintable(app->windowFrame()),
                    qPrintable(named(app->windowJob().inputs.values).join(QLatin1Char(' '))),
                    qPrintable(speed ? speed->text() : QString()),
                    stars && stars->isChecked() ? "true" : "false");
        std::fflush(stdout);
        NSApp->terminate(nullptr);
    }
};

// Runs this program as the application in `phase`, with the settings under `home`, on a screen
// 1280 pixels wide and `screenHeight` high.
ChildRun runApp(const QTemporaryDir& home, const char* phase, int screenHeight = 800,
                const ChildWatch& watch = {}) {
    ChildOptions options{.environment = {{"HOME", home.path()},
                                         {"XDG_CONFIG_HOME", home.filePath("config")},
                                         {"XDG_DATA_HOME", home.filePath("data")}},
                         .watch = watch};
    const QString config = writeTestFile(
        home.filePath(QStringLiteral("screen-%1.json").arg(screenHeight)),
        QStringLiteral("{\"screens\": [{\"name\": \"Screen\", \"x\": 0, \"y\": 0, \"width\": 1280, "
                       "\"height\": %1, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}")
            .arg(screenHeight)
            .toUtf8());
    options.environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    return relaunchInPhase("AppRelaunchTest.Phase", QString::fromLatin1(phase), options);
}

QString expectedReport(const QString& folder) {
    return QStringLiteral(
               "10|25|2,00|%1|%2|%3|Rendern|40 30 1020 480|speed=1.25 stars=false|1,25|false")
        .arg(resource(QStringLiteral("compositions/Aurora.fs")),
             resource(QStringLiteral("sounds/demo-arpeggio.m4a")), folder);
}

class AppRelaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mHome.isValid());
        ASSERT_TRUE(QDir().mkpath(mFolder));
    }
    // What the window shows, from the child's "report|" line.
    QString report() {
        const QString out = runApp(mHome, "report").out;
        return out.section(QStringLiteral("report|"), 1).section(QLatin1Char('\n'), 0, 0);
    }

    QTemporaryDir mHome;
    QString mFolder = mHome.filePath(QStringLiteral("movies"));
};

TEST_F(AppRelaunchTest, ASecondLaunchShowsWhatTheFirstChoseAndASoundRemovedWithItsXStaysRemoved) {
    runApp(mHome, "choose");
    EXPECT_EQ(report(), expectedReport(mFolder));
    runApp(mHome, "clearSound");
    EXPECT_EQ(report(), expectedReport(mFolder).replace(
                            resource(QStringLiteral("sounds/demo-arpeggio.m4a")) + QLatin1Char('|'),
                            QStringLiteral("|")));
}

TEST_F(AppRelaunchTest, SIGTERMAtIdleKeepsWhatWasChosen) {
    bool signalled = false;
    runApp(mHome, "chooseAndWait", 0, [&](qint64 pid, const QString& out, const QString&) {
        signalled = out.contains(QStringLiteral("chosen\n")) && ::kill(pid_t(pid), SIGTERM) == 0;
        return signalled;
    });
    ASSERT_TRUE(signalled);
    EXPECT_EQ(report(), expectedReport(mFolder));
}

TEST(AppRelaunchGeometryTest, TheWindowComesBackOnASmallerScreenWithItsTitleBarOnIt) {
    // Moved to the top of a screen of 900 pixels, then launched again on one of 600, where it
    // checks its place itself.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    runApp(home, "toTheTop", 900);
    runApp(home, "onScreen", 600);
}

TEST_F(AppRelaunchTest, Phase) {
    const QByteArray phase = relaunchPhase();
    if (phase.isEmpty())
        GTEST_SKIP() << "run by the relaunch test";
    NSNib::setInterfaceFolders({resource(QStringLiteral("interface"))});
    NSApplication::setMainInterfaceLoader(NSNibLoadMainInterface);
    NSObject* token = NSNotificationCenter::defaultCenter()->addObserverForName(
        QStringLiteral("NSApplicationDidFinishLaunchingNotification"), nullptr,
        [phase](NSNotification*) {
            QTimer::singleShot(0, [phase] {
                const QString folder =
                    QString::fromLocal8Bit(qgetenv("HOME")) + QStringLiteral("/movies");
                GKAppDelegate* app = RelaunchedWindow::launched();
                if (phase == "choose") {
                    RelaunchedWindow::choose(folder);
                    app->window()->menu()->itemWithTitle("Lumenreel beenden")->sendAction();
                } else if (phase == "clearSound") {
                    // The sound's x, then Quit.
                    RelaunchedWindow::clickClearSound();
                    NSApp->terminate(nullptr);
                } else if (phase == "toTheTop") {
                    // Moved as high as the screen of 900 pixels goes.
                    app->window()->setFrame(NSMakeRect(100, 900 - 460 - 40, 1000, 460), true);
                    NSApp->terminate(nullptr);
                } else if (phase == "onScreen") {
                    // Room above the menu bar for a title bar, and the whole window on the
                    // screen.
                    const QRect frame = app->window()->widget()->geometry();
                    const QRect screen = app->window()->widget()->screen()->availableGeometry();
                    EXPECT_EQ(screen.height(), 600);
                    EXPECT_GE(frame.top(), screen.top() + 16) << frame.top();
                    EXPECT_TRUE(screen.contains(frame));
                    NSApp->terminate(nullptr);
                } else if (phase == "chooseAndWait") {
                    RelaunchedWindow::choose(folder);
                    std::printf("chosen\n");
                    std::fflush(stdout);
                } else {
                    RelaunchedWindow::reportAndQuit();
                }
            });
        });
    EXPECT_EQ(runApplicationMain(std::chrono::minutes(1)), 0);
    NSNotificationCenter::defaultCenter()->removeObserver(token);
}

} // namespace
