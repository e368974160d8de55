// lumenreel: the desktop application. It loads its main interface file (resources/interface/
// MainMenu.xml) into the application loop; the file's objects do the rest. A file named on the
// command line (the desktop entry's "lumenreel %f" for a file opened with the application) is
// taken as the composition, as a file dropped on the composition row is.

#include "app/window/AppLanguageMenu.h"
#include "app/window/GKAppDelegate.h"
#include "interface/UICocoaViews/NSUIViewNibbler.h"
#include "interface/UILocalization/UILocalLanguageNSMenuItem.h"
#include "interface/USecuritySandboxControllers/USandboxFolderController.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkit/NSTextField.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/ProcessMemory.h"
#include "support/CoreMachDebugLog.h"
#include "support/CoreStaticOrder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

// The release scope for objects released later before main, replaced at the top of main by one
// for the whole run and drained when the process exits.
NSAutoreleasePool* s_cplusplus_static_pool = nullptr;

// Every diagnostic of the run goes to the system log; then the static release scope.
void AppInitFunc() {
    CoreMachDebugLogSetUseLogger(kCoreLogOutputASL);
    s_cplusplus_static_pool = new NSAutoreleasePool;
}

void AppTermFunc() {
    delete s_cplusplus_static_pool;
    s_cplusplus_static_pool = nullptr;
}

struct AppStatics {
    AppStatics() { AppInitFunc(); }
    ~AppStatics() { AppTermFunc(); }
    AppStatics(const AppStatics&) = delete;
    AppStatics& operator=(const AppStatics&) = delete;
};

AppStatics sAppStatics CORE_STATIC_ORDER(kCoreStaticOrder_AppInit);

// The classes the main interface file names by text only.
bool importInterfaceClasses() {
    return import_GKAppDelegate() & import_AppLanguageMenu() & import_NSUIViewNibbler() &
           import_UILocalLanguageNSMenuItem() & import_USandboxFolderController() &
           import_QStillFrameMovieRecorder() & import_NSButton() & import_NSTextField() &
           import_NSPopUpButton() & import_NSImageView() & import_NSProgressIndicator();
}

// Hands the file named on the command line to the delegate once launching has finished, so that
// it replaces the composition restored from the settings. Qt has removed its own options from
// the arguments by then; only the first remaining one is a file.
void openFileArgumentWhenLaunched() {
    NSNotificationCenter::defaultCenter()->addObserverForName(
        QString::fromLatin1(NSApplicationDidFinishLaunchingNotification), nullptr,
        [](NSNotification*) {
            const QStringList arguments = QCoreApplication::arguments().mid(1);
            if (arguments.isEmpty())
                return;
            if (arguments.size() > 1)
                NSLog("lumenreel: only the first file is opened: %@\n", arguments.first());
            const QString path = QFileInfo(arguments.first()).absoluteFilePath();
            // Queued: the delegate finishes its own launching first.
            QMetaObject::invokeMethod(
                qApp,
                [path] {
                    NSAutoreleasePool pool;
                    NSObject* delegate = NSApp ? NSApp->delegate() : nullptr;
                    if (!delegate || !delegate->respondsToSelector(QStringLiteral("chooseURL:"))) {
                        NSLog("lumenreel: no window to open %@ in\n", path);
                        return;
                    }
                    delegate->performSelector(QStringLiteral("chooseURL:"),
                                              NSURL::fileURLWithPath(path));
                },
                Qt::QueuedConnection);
        });
}

} // namespace

int main(int argc, char** argv) {
    qtkit::keepFreedMemoryForReuse();
    delete s_cplusplus_static_pool;
    s_cplusplus_static_pool = new NSAutoreleasePool;
    if (!importInterfaceClasses())
        return 1;
    NSApplication::setMainInterfaceLoader(NSNibLoadMainInterface);
    // Window and alert titles name the application as users know it (the executable's name
    // stays the application's name, which locates its settings).
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lumenreel"));
    openFileArgumentWhenLaunched();
    const int status = NSApplicationMain(argc, argv);
    // The application object and its widgets are gone; the scope is drained while the thread's
    // release scopes still exist (they end before the static objects do).
    AppTermFunc();
    return status;
}
