// lumenreel: the desktop application. It loads its main interface file (resources/interface/
// MainMenu.xml) into the application loop; the file's objects do the rest.

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
#include "platform/qtkit/ProcessMemory.h"
#include "support/CoreMachDebugLog.h"
#include "support/CoreStaticOrder.h"

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
    const int status = NSApplicationMain(argc, argv);
    // The application object and its widgets are gone; the scope is drained while the thread's
    // release scopes still exist (they end before the static objects do).
    AppTermFunc();
    return status;
}
