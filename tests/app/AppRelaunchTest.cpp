// The application relaunched: a first run makes its choices through the window (scripted file
// panels, the size pop-up, the number fields, the Language menu) and quits from its menu; a
// second run, a new process with the same settings folder, shows them all again.

#include "app/GKAppDelegate.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSTextField.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSURL.h"

#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

namespace {

using lumenreel::test::resource;

GKAppDelegate* delegate() {
    return qobject_cast<GKAppDelegate*>(NSApp->delegate());
}

template <class T>
T* control(const std::function<bool(T*)>& matches) {
    for (NSView* view : delegate()->window()->contentView()->subviews()) {
        auto* found = qobject_cast<T*>(view);
        if (found && matches(found))
            return found;
    }
    return nullptr;
}

NSTextField* numberField(double maximum) {
    return control<NSTextField>([=](NSTextField* field) {
        return field->hasNumberFormat() && field->maximum() == maximum;
    });
}

// The first run: every choice made as a person makes it.
void choose(const QString& folder) {
    QStringList choices{resource(QStringLiteral("compositions/Aurora.fs")),
                        resource(QStringLiteral("sounds/demo-arpeggio.m4a")), folder};
    NSOpenPanel::setModalRunner([&choices](NSOpenPanel* panel) {
        panel->setURLs({NSURL::fileURLWithPath(choices.takeFirst())});
        return NSFileHandlingPanelOKButton;
    });
    NSMenu* menu = delegate()->window()->menu();
    for (const char* item :
         {"Choose Composition...", "Choose Sound Movie...", "Choose Output Folder..."})
        menu->itemWithTitle(QString::fromLatin1(item))->sendAction();
    NSPopUpButton* sizes = control<NSPopUpButton>([](NSPopUpButton*) { return true; });
    for (int index = 0; index < sizes->numberOfItems(); ++index) {
        if (sizes->itemTitleAtIndex(index) == QStringLiteral("1920 x 1080"))
            sizes->chooseItemAtIndex(index);
    }
    numberField(600)->finishEditing(QStringLiteral("25"));
    numberField(86400)->finishEditing(QStringLiteral("2"));
    menu->itemWithTitle(QStringLiteral("Deutsch"))->sendAction();
    // The user moved and enlarged the window (within the test's screen of 800 x 600).
    delegate()->window()->setFrame(NSMakeRect(40, 30, 740, 480), true);
}

// The second run: what the window shows, one line, then Quit.
void reportAndQuit() {
    GKAppDelegate* app = delegate();
    NSButton* render = control<NSButton>([](NSButton* button) {
        return button->action() == QStringLiteral("actionRenderCompositionToMovieFile:");
    });
    std::printf("%d|%s|%s|%s|%s|%s|%s|%s\n", app->movieDimensions(),
                qPrintable(numberField(600)->stringValue()),
                qPrintable(numberField(86400)->stringValue()),
                qPrintable(app->outletQuartzCompositionInputController->inputPath()),
                qPrintable(app->outletAudioTrackInputController->inputPath()),
                qPrintable(app->outletOutputUserFolder->folderPath()),
                qPrintable(render ? render->title() : QString()), qPrintable(app->windowFrame()));
    std::fflush(stdout);
    NSApp->terminate(nullptr);
}

// Where the window shows on its screen, one line, then Quit.
void reportGeometryAndQuit() {
    const QWidget* window = delegate()->window()->widget();
    const QRect screen = window->screen()->availableGeometry();
    std::printf("geometry|%d %d %d %d|%d %d %d %d\n", window->geometry().x(),
                window->geometry().y(), window->geometry().width(), window->geometry().height(),
                screen.x(), screen.y(), screen.width(), screen.height());
    std::fflush(stdout);
    NSApp->terminate(nullptr);
}

// Starts this program as the application, in `phase`, with the settings under `home`, on a
// screen `screenHeight` pixels high when one is given.
void startPhase(QProcess& child, const QTemporaryDir& home, const char* phase,
                int screenHeight = 0) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (screenHeight > 0) {
        const QString config = home.filePath(QStringLiteral("screen-%1.json").arg(screenHeight));
        QFile file(config);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("{\"screens\": [{\"name\": \"Screen\", \"x\": 0, \"y\": 0, "
                                  "\"width\": 1280, \"height\": %1, \"logicalDpi\": 96, "
                                  "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                       .arg(screenHeight)
                       .toUtf8());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           QStringLiteral("offscreen:configfile=") + config);
    }
    environment.insert(QStringLiteral("LUMENREEL_RELAUNCH_PHASE"), QString::fromLatin1(phase));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=AppRelaunchTest.Phase")});
}

// Waits for the child's end; returns its report line (empty when it printed none).
QString finishPhase(QProcess& child) {
    EXPECT_TRUE(child.waitForFinished(120000)) << "the application did not end";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        if (line.count(QLatin1Char('|')) == 7)
            return line;
    }
    return {};
}

QString runPhase(const QTemporaryDir& home, const char* phase) {
    QProcess child;
    startPhase(child, home, phase);
    return finishPhase(child);
}

QString expectedReport(const QString& folder) {
    return QStringLiteral("10|25|2,00|%1|%2|%3|Rendern|40 30 740 480")
        .arg(resource(QStringLiteral("compositions/Aurora.fs")),
             resource(QStringLiteral("sounds/demo-arpeggio.m4a")), folder);
}

TEST(AppRelaunchTest, ASecondLaunchShowsWhatTheFirstChose) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString folder = home.filePath(QStringLiteral("movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    runPhase(home, "choose");
    EXPECT_EQ(runPhase(home, "report"), expectedReport(folder));
}

TEST(AppRelaunchTest, ASoundRemovedWithItsXStaysRemovedAfterARelaunch) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString folder = home.filePath(QStringLiteral("movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    runPhase(home, "choose");
    runPhase(home, "clearSound");
    EXPECT_EQ(runPhase(home, "report"),
              expectedReport(folder).replace(resource(QStringLiteral("sounds/demo-arpeggio.m4a")) +
                                                 QLatin1Char('|'),
                                             QStringLiteral("|")));
}

// The window's top left corner, its size and the screen's available area, as the child saw them.
QList<int> geometryOnScreen(const QTemporaryDir& home, int screenHeight) {
    QProcess child;
    startPhase(child, home, "geometry", screenHeight);
    EXPECT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split('\n')) {
        if (!line.startsWith(QStringLiteral("geometry|")))
            continue;
        QList<int> numbers;
        for (const QString& number : line.mid(9).split(QRegularExpression(QStringLiteral("[ |]"))))
            numbers << number.toInt();
        return numbers;
    }
    return {};
}

TEST(AppRelaunchTest, TheWindowComesBackOnASmallerScreenWithItsTitleBarOnIt) {
    // Fresh settings on a screen of 600 pixels, then moved to the top of one of 900 pixels and
    // launched again on the smaller one.
    for (const bool moved : {false, true}) {
        SCOPED_TRACE(moved ? "moved to the top of a taller screen" : "fresh settings");
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        if (moved) {
            QProcess child;
            startPhase(child, home, "toTheTop", 900);
            finishPhase(child);
        }
        const QList<int> seen = geometryOnScreen(home, 600);
        ASSERT_EQ(seen.size(), 8);
        const QRect window(seen[0], seen[1], seen[2], seen[3]);
        const QRect screen(seen[4], seen[5], seen[6], seen[7]);
        ASSERT_EQ(screen.height(), 600);
        // Room above the menu bar for a title bar, and the whole window on the screen.
        EXPECT_GE(window.top(), screen.top() + 16) << window.top();
        EXPECT_LE(window.bottom(), screen.bottom());
        EXPECT_GE(window.left(), screen.left());
        EXPECT_LE(window.right(), screen.right());
    }
}

TEST(AppRelaunchTest, SIGTERMAtIdleKeepsWhatWasChosen) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString folder = home.filePath(QStringLiteral("movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QProcess child;
    startPhase(child, home, "chooseAndWait");
    QByteArray output;
    const QDeadlineTimer deadline(60000);
    while (!output.contains("chosen\n") && !deadline.hasExpired() &&
           child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(int(deadline.remainingTime()));
        output += child.readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains("chosen\n")) << child.readAllStandardError().toStdString();
    ::kill(pid_t(child.processId()), SIGTERM);
    finishPhase(child);
    EXPECT_EQ(runPhase(home, "report"), expectedReport(folder));
}

TEST(AppRelaunchTest, Phase) {
    const QByteArray phase = qgetenv("LUMENREEL_RELAUNCH_PHASE");
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
                if (phase == "choose") {
                    choose(folder);
                    delegate()
                        ->window()
                        ->menu()
                        ->itemWithTitle(QStringLiteral("Lumenreel beenden"))
                        ->sendAction();
                } else if (phase == "clearSound") {
                    // The sound's x, then Quit.
                    control<NSButton>([](NSButton* button) {
                        return button->action() == QStringLiteral("actionClearSoundMovie:");
                    })->performClick(nullptr);
                    NSApp->terminate(nullptr);
                } else if (phase == "toTheTop") {
                    // Moved as high as the screen of 900 pixels goes.
                    delegate()->window()->setFrame(NSMakeRect(100, 900 - 460 - 40, 720, 460), true);
                    NSApp->terminate(nullptr);
                } else if (phase == "geometry") {
                    reportGeometryAndQuit();
                } else if (phase == "chooseAndWait") {
                    choose(folder);
                    std::printf("chosen\n");
                    std::fflush(stdout);
                } else {
                    reportAndQuit();
                }
            });
        });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(60000);
    char name[] = "lumenreel";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(NSApplicationMain(1, argv), 0);
    NSNotificationCenter::defaultCenter()->removeObserver(token);
}

} // namespace
