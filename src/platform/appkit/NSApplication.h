#pragma once

// The application object and its loop over QApplication.
//
//   NSApplication::setMainInterfaceLoader(loadInterfaceFile);   // by the interface-file loader
//   return NSApplicationMain(argc, argv);                         // in main
//
// NSApplicationMain loads the main interface file (whose objects set NSApp's delegate), then
// delivers, in this order: the will-finish-launching notification, the delegate's
// applicationWillFinishLaunching:, the did-finish-launching notification, the delegate's
// applicationDidFinishLaunching:; then it runs the event loop until the application terminates.
//
// Every way out goes through terminate: a quit request, the close of the last window, SIGTERM,
// SIGINT and SIGHUP, a quit from the platform and the end of the desktop session. The delegate's
// applicationShouldTerminate: may refuse (NSTerminateCancel: the loop keeps running); otherwise
// the will-terminate notification is posted, the delegate's applicationWillTerminate: is called
// and the loop ends. Delegate operations are found by selector (Q_INVOKABLE methods); each is
// optional. Everything here runs on the main thread.

#include "platform/foundation/NSObject.h"

#include <QString>

#include <functional>
#include <memory>

// Replies of the delegate's applicationShouldTerminate:.
enum NSApplicationTerminateReply : NSUInteger {
    NSTerminateCancel = 0,
    NSTerminateNow = 1,
};

class NSApplication : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSApplication)
    Q_PROPERTY(NSObject* delegate READ delegate WRITE setDelegate)
public:
    // Loads an interface file by name and connects its objects; false when it cannot.
    using MainInterfaceLoader = std::function<bool(const QString& nibName)>;

    NSApplication();
    ~NSApplication() override;

    // The application object, made on first use and kept in NSApp; never freed.
    static NSApplication* sharedApplication();

    // Registered by the interface-file loader; an empty function unregisters it.
    static void setMainInterfaceLoader(MainInterfaceLoader loader);
    // The name of the interface file NSApplicationMain loads ("MainMenu" unless set).
    static void setMainInterfaceName(const QString& nibName);
    static QString mainInterfaceName();

    // Not retained: a delegate that goes away leaves nil.
    NSObject* delegate() const;
    void setDelegate(NSObject* delegate);

    // True from the start of launching until the loop of NSApplicationMain has ended.
    bool isRunning() const;

    // The termination path described above. `sender` is handed on to nobody; it is there for
    // target/action ("terminate:"). Without effect once termination has been accepted, and
    // outside NSApplicationMain (nothing runs that could end).
    Q_INVOKABLE void terminate(NSObject* sender);
    // The window manager asks to close the application's window: true when the application
    // terminates or does not run (close the window), false when the delegate refused (keep it).
    bool terminateForWindowClose(NSObject* window);
    // The desktop session ends: true when the application terminates, false when the delegate
    // refused (the session may then be asked to wait).
    bool terminateForSessionEnd();

private:
    friend int NSApplicationMain(int argc, char* argv[]);
    // Launches and runs the loop over the existing application object; the exit status.
    int runMainLoop();
    // Asks the delegate and terminates; false when refused.
    bool requestTermination();
    // Calls the delegate's `selector` with one argument when it answers it.
    QVariant tellDelegate(const char* selector, NSObject* argument);
    void postNotification(const char* name);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

// The shared application once sharedApplication has been called; nullptr before.
extern NSApplication* NSApp;

// Makes the QApplication when there is none, loads the main interface file and runs the
// application as described above. Returns the exit status: 0 after termination, 1 when the main
// interface file could not be loaded (one log line).
int NSApplicationMain(int argc, char* argv[]);

int import_NSApplication();
