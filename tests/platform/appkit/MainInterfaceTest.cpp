// The application loop with a real main interface file: the file's delegate becomes the
// application's, and closing the last window goes through both the window's delegate and the
// application's termination.

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSNotification.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

// The delegate of the application and of its window, made by the interface file.
class MainDelegate : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(MainDelegate)
    Q_PROPERTY(NSWindow* window MEMBER window)
public:
    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification*) {
        calls << QStringLiteral("launched");
        sLatest = this;
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
    static MainDelegate* sLatest;
};
MainDelegate* MainDelegate::sLatest = nullptr;
NS_IMPLEMENT_CLASS(MainDelegate, NSObject)

namespace {

TEST(MainInterface, TheFilesDelegateRunsTheApplicationAndTheLastWindowsCloseEndsIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("MainMenu.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<interface>
  <object id="delegate" class="MainDelegate">
    <outlet name="window" destination="window"/>
  </object>
  <window id="window" title="Main" frame="100 100 200 100">
    <outlet name="delegate" destination="delegate"/>
  </window>
  <outlet source="owner" name="delegate" destination="delegate"/>
</interface>)");
    file.close();
    NSNib::setInterfaceFolders({folder.path()});
    NSApplication::setMainInterfaceLoader([](const QString& name) {
        if (!NSNibLoadMainInterface(name))
            return false;
        auto* delegate = qobject_cast<MainDelegate*>(NSApp->delegate());
        if (delegate)
            delegate->window->makeKeyAndOrderFront(nullptr);
        return delegate != nullptr;
    });

    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    char name[] = "appkit_tests";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(NSApplicationMain(1, argv), 0);

    NSApplication::setMainInterfaceLoader({});
    NSNib::setInterfaceFolders({});
    ASSERT_NE(MainDelegate::sLatest, nullptr);
    EXPECT_EQ(MainDelegate::sLatest->calls,
              (QStringList{"launched", "windowShouldClose:", "windowShouldClose:",
                           "applicationShouldTerminate:", "windowShouldClose:",
                           "applicationShouldTerminate:", "applicationWillTerminate:"}));
    EXPECT_FALSE(MainDelegate::sLatest->window->isVisible());
    NSApp->setDelegate(nullptr);
}

} // namespace

#include "MainInterfaceTest.moc"
