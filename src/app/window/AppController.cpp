#include "app/window/AppController.h"

#include "interface/UICocoaControls/NSUINfoGraffik.h"
#include "interface/UICocoaViews/NSUIColorContentView.h"

// The class's initialisation keeps the view classes that only interface files name.
NS_IMPLEMENT_CLASS(AppController, NSObject, [](NSClass&) {
    import_NSUIColorContentView();
    import_NSUINfoGraffik();
})

int import_AppController() {
    return (AppController::classObject() != nullptr) & import_QTZMovieRenderer();
}

void AppController::applicationDidFinishLaunching(NSNotification*) {}

void AppController::applicationWillTerminate(NSNotification*) {}
