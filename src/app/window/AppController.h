#pragma once

#include "app/job/QTZMovieRenderer.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSObject.h"

// The application controller of the main interface file: it receives the launch and termination
// calls the delegate forwards.
class AppController : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(AppController)
    Q_PROPERTY(QTZMovieRenderer* outletQuartzMovieRenderer MEMBER outletQuartzMovieRenderer)
public:
    QTZMovieRenderer* outletQuartzMovieRenderer = nullptr;

    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification* notification);
    Q_INVOKABLE void applicationWillTerminate(NSNotification* notification);
};

int import_AppController();
