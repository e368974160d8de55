#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"

#include "common/LogCapture.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <stdexcept>

// Records what the application tells its delegate.
class LoopDelegate : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE void applicationWillFinishLaunching(NSNotification* notification) {
        record("applicationWillFinishLaunching:", notification);
    }
    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification* notification) {
        record("applicationDidFinishLaunching:", notification);
        if (onLaunched)
            onLaunched();
    }
    Q_INVOKABLE NSUInteger applicationShouldTerminate(NSApplication* application) {
        calls << QStringLiteral("applicationShouldTerminate:");
        EXPECT_EQ(application, NSApp);
        return replies.isEmpty() ? NSTerminateNow : replies.takeFirst();
    }
    Q_INVOKABLE void applicationWillTerminate(NSNotification* notification) {
        record("applicationWillTerminate:", notification);
    }

    QStringList calls;
    QList<NSUInteger> replies;
    std::function<void()> onLaunched;

private:
    void record(const char* call, NSNotification* notification) {
        calls << QString::fromLatin1(call);
        EXPECT_EQ(notification ? notification->object() : nullptr, NSApp);
    }
};

// The delegate of the application and of its window, made by the interface file.
class MainDelegate : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(MainDelegate)
    Q_PROPERTY(NSWindow* window MEMBER window)
public:
    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification*) {
        calls << QStringLiteral("launched");
        QTimer::singleShot(0, [this] {
            window->widget()->close(); // refused by windowShouldClose:
            window->widget()->close(); // refused by applicationShouldTerminate:
            window->widget()->close(); // closes and ends the run
        });
    }
    Q_INVOKABLE bool windowShouldClose(NSObject*) {
        calls << QStringLiteral("windowShouldClose:");
        return calls.count(QStringLiteral("windowShouldClose:")) > 1;
    }
    Q_INVOKABLE NSUInteger applicationShouldTerminate(NSApplication*) {
        calls << QStringLiteral("applicationShouldTerminate:");
        return calls.count(QStringLiteral("applicationShouldTerminate:")) > 1 ? NSTerminateNow
                                                                              : NSTerminateCancel;
    }
    Q_INVOKABLE void applicationWillTerminate(NSNotification*) {
        calls << QStringLiteral("applicationWillTerminate:");
    }

    NSWindow* window = nullptr;
    QStringList calls;
};
NS_IMPLEMENT_CLASS(MainDelegate, NSObject)

namespace {

using lumenreel::test::LogCapture;

constexpr int kTimedOut = 99;

class NSApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplication::sharedApplication()->setDelegate(mDelegate.get());
        NSApplication::setMainInterfaceLoader([this](const QString& nibName) {
            mDelegate->calls << QStringLiteral("load ") + nibName;
            return true;
        });
        NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
        for (const char* name :
             {NSApplicationWillFinishLaunchingNotification,
              NSApplicationDidFinishLaunchingNotification, NSApplicationWillTerminateNotification})
            mTokens << center->addObserverForName(
                QString::fromLatin1(name), nullptr,
                [this](NSNotification* notification) { mDelegate->calls << notification->name(); });
    }
    void TearDown() override {
        for (NSObject* token : mTokens)
            NSNotificationCenter::defaultCenter()->removeObserver(token);
        NSApplication::setMainInterfaceLoader({});
        NSApplication::sharedApplication()->setDelegate(nullptr);
    }

    // Runs the application; a loop still running after the deadline ends with kTimedOut.
    static int runApplication() {
        QTimer watchdog;
        watchdog.callOnTimeout([] { QCoreApplication::exit(kTimedOut); });
        watchdog.start(10000);
        char name[] = "appkit_tests";
        char* argv[] = {name, nullptr};
        return NSApplicationMain(1, argv);
    }

    NSRef<LoopDelegate> mDelegate = NSAdopt(new LoopDelegate());
    QList<NSObject*> mTokens;
};

const QStringList kLaunch = {
    "load MainMenu",
    NSApplicationWillFinishLaunchingNotification,
    "applicationWillFinishLaunching:",
    NSApplicationDidFinishLaunchingNotification,
    "applicationDidFinishLaunching:",
};
const QStringList kTermination = {
    "applicationShouldTerminate:",
    NSApplicationWillTerminateNotification,
    "applicationWillTerminate:",
};

// One way of asking the running application to end.
struct QuitRequest {
    const char* name;
    std::function<void()> request;
};

class NSApplicationQuitTest : public NSApplicationTest,
                              public ::testing::WithParamInterface<QuitRequest> {};

TEST_P(NSApplicationQuitTest, ReachesTheDelegateAfterTheLaunchInOrder) {
    mDelegate->onLaunched = [] {
        QTimer::singleShot(0, GetParam().request);
    };
    EXPECT_EQ(runApplication(), 0);
    EXPECT_EQ(mDelegate->calls, kLaunch + kTermination);
    EXPECT_FALSE(NSApp->isRunning());
}

INSTANTIATE_TEST_SUITE_P(
    EveryWayOut, NSApplicationQuitTest,
    ::testing::Values(QuitRequest("Terminate", [] { NSApp->terminate(nullptr); }),
                      QuitRequest("LastWindowClosed",
                                  [] {
                                      auto* window = new QWidget();
                                      window->setAttribute(Qt::WA_DeleteOnClose);
                                      window->show();
                                      window->close();
                                  }),
                      QuitRequest("WindowManagerClose",
                                  [] { EXPECT_TRUE(NSApp->terminateForWindowClose(nullptr)); }),
                      QuitRequest("SessionEnd",
                                  [] { EXPECT_TRUE(NSApp->terminateForSessionEnd()); }),
                      QuitRequest("PlatformQuit", [] { QCoreApplication::quit(); }),
                      QuitRequest("SIGTERM", [] { std::raise(SIGTERM); }),
                      QuitRequest("SIGINT", [] { std::raise(SIGINT); }),
                      QuitRequest("SIGHUP", [] { std::raise(SIGHUP); })),
    [](const ::testing::TestParamInfo<QuitRequest>& testCase) { return testCase.param.name; });

TEST_F(NSApplicationTest, ARefusedQuitKeepsTheLoopRunningUntilAnAcceptedOne) {
    mDelegate->replies = {NSTerminateCancel, NSTerminateCancel};
    bool ranAfterRefusals = false;
    mDelegate->onLaunched = [&] {
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(10, [] { EXPECT_FALSE(NSApp->terminateForWindowClose(nullptr)); });
        QTimer::singleShot(50, [&] {
            ranAfterRefusals = NSApp->isRunning();
            NSApp->terminate(nullptr);
        });
    };
    EXPECT_EQ(runApplication(), 0);
    EXPECT_TRUE(ranAfterRefusals);
    const QStringList refusals = {"applicationShouldTerminate:", "applicationShouldTerminate:"};
    EXPECT_EQ(mDelegate->calls, kLaunch + refusals + kTermination);
}

TEST_F(NSApplicationTest, ATerminationWhileLaunchingEndsWithoutRunningTheLoop) {
    mDelegate->onLaunched = [] {
        NSApp->terminate(nullptr);
    };
    // Before the application runs, and after it has ended, there is nothing to terminate.
    EXPECT_TRUE(NSApp->terminateForWindowClose(nullptr));
    EXPECT_TRUE(mDelegate->calls.isEmpty());
    EXPECT_EQ(runApplication(), 0);
    EXPECT_EQ(mDelegate->calls, kLaunch + kTermination);
    NSApp->terminate(nullptr);
    EXPECT_EQ(mDelegate->calls.size(), kLaunch.size() + kTermination.size());
}

TEST_F(NSApplicationTest, AMainInterfaceThatCannotBeLoadedEndsWithStatusOneAndOneLine) {
    using Loader = NSApplication::MainInterfaceLoader;
    const std::pair<const char*, Loader> loaders[] = {
        {"no loader", {}},
        {"failing", Loader([](const QString&) { return false; })},
        {"throwing", Loader([](const QString&) -> bool { throw std::runtime_error("broken"); })},
    };
    for (const auto& [what, loader] : loaders) {
        SCOPED_TRACE(what);
        NSApplication::setMainInterfaceLoader(loader);
        LogCapture log;
        EXPECT_EQ(runApplication(), 1);
        EXPECT_EQ(log.text().count(QLatin1Char('\n')), 1) << log.text().toStdString();
        EXPECT_TRUE(log.text().contains("MainMenu"));
        EXPECT_TRUE(mDelegate->calls.isEmpty());
    }
}

TEST_F(NSApplicationTest, TheDelegateIsNotRetainedAndRunsWithoutOne) {
    auto* delegate = new LoopDelegate();
    NSApp->setDelegate(delegate);
    EXPECT_EQ(delegate->retainCount(), 1u);
    delegate->release();
    EXPECT_EQ(NSApp->delegate(), nullptr);

    // The launch is over before the loop runs; without a delegate only the notifications go out.
    QTimer::singleShot(0, [] { NSApp->terminate(nullptr); });
    EXPECT_EQ(runApplication(), 0);
    EXPECT_EQ(mDelegate->calls,
              (QStringList{"load MainMenu", NSApplicationWillFinishLaunchingNotification,
                           NSApplicationDidFinishLaunchingNotification,
                           NSApplicationWillTerminateNotification}));
}

// The application loop with a real main interface file: the file's delegate becomes the
// application's, and closing the last window goes through both the window's delegate and the
// application's termination.
TEST_F(NSApplicationTest, AMainInterfaceFilesDelegateRunsTheApplicationAndItsLastWindowEndsIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    lumenreel::test::writeTestFile(folder.filePath(QStringLiteral("MainMenu.xml")), R"(<interface>
  <object id="delegate" class="MainDelegate">
    <outlet name="window" destination="window"/>
  </object>
  <window id="window" title="Main" frame="100 100 200 100">
    <outlet name="delegate" destination="delegate"/>
  </window>
  <outlet source="owner" name="delegate" destination="delegate"/>
</interface>)");
    NSNib::setInterfaceFolders({folder.path()});
    NSApplication::setMainInterfaceLoader([](const QString& name) {
        if (!NSNibLoadMainInterface(name))
            return false;
        auto* delegate = qobject_cast<MainDelegate*>(NSApp->delegate());
        if (delegate)
            delegate->window->makeKeyAndOrderFront(nullptr);
        return delegate != nullptr;
    });

    EXPECT_EQ(runApplication(), 0);
    NSNib::setInterfaceFolders({});
    auto* delegate = qobject_cast<MainDelegate*>(NSApp->delegate());
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(delegate->calls,
              (QStringList{"launched", "windowShouldClose:", "windowShouldClose:",
                           "applicationShouldTerminate:", "windowShouldClose:",
                           "applicationShouldTerminate:", "applicationWillTerminate:"}));
    EXPECT_FALSE(delegate->window->isVisible());
}

} // namespace

#include "NSApplicationTest.moc"
