#include "app/AppController.h"

NS_IMPLEMENT_CLASS(AppController, NSObject)

int import_AppController() {
    return (AppController::classObject() != nullptr) & import_QTZMovieRenderer();
}

void AppController::applicationDidFinishLaunching(NSNotification*) {}

void AppController::applicationWillTerminate(NSNotification*) {}
