#include "app/GKAppDelegate.h"

#include "app/RenderJobChecks.h"
#include "app/RenderPresets.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSBeep.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"

#include <cmath>

NS_IMPLEMENT_CLASS(GKAppDelegate, NSObject, [](NSClass& cls) {
    cls.addClassMethod(QStringLiteral("persistentObjectKeyPaths"), [](Class) {
        return QVariant::fromValue(QSet<QString>{
            QStringLiteral("movieDimensions"),
            QStringLiteral("compositionMovieFrameRate"),
            QStringLiteral("compositionMovieDuration"),
            QStringLiteral("outletQuartzCompositionInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ1DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ2DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ3DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletAudioTrackInputController.sandboxBookmarkData"),
        });
    });
})

int import_GKAppDelegate() {
    return (GKAppDelegate::classObject() != nullptr) & import_AppController() &
           import_QTZMovieRenderer() & import_USandboxInputFileController() &
           import_USandboxUserFolder() & import_UPersistentObjectsController();
}

void GKAppDelegate::awakeFromNib() {
    setCompositionMovieDuration(static_cast<double>(33.3f));
    setMovieDimensions(0);
    if (outletPersistentObjectsController)
        outletPersistentObjectsController->registerPersistentObject(this);
}

void GKAppDelegate::applicationDidFinishLaunching(NSNotification* notification) {
    if (outletAppController)
        outletAppController->applicationDidFinishLaunching(notification);
}

void GKAppDelegate::applicationWillTerminate(NSNotification* notification) {
    if (outletAppController)
        outletAppController->applicationWillTerminate(notification);
}

void GKAppDelegate::setMovieDimensions(int index) {
    __movieDimensions = index;
    setCompositionMovieDimensions(movieDimensionsForPreset(index));
}

unsigned GKAppDelegate::compositionMovieFrameRate() const {
    return QStillFrameRecorder_Config_RenderFPS;
}

void GKAppDelegate::setCompositionMovieFrameRate(unsigned framesPerSecond) {
    if (framesPerSecond < 1 || framesPerSecond > kQTZMovieRenderer_MaxFramesPerSecond) {
        NSLog("GKAppDelegate: a frame rate of %u cannot be used (1 to %u); it stays %u\n",
              framesPerSecond, kQTZMovieRenderer_MaxFramesPerSecond,
              QStillFrameRecorder_Config_RenderFPS);
        return;
    }
    QStillFrameRecorder_Config_RenderFPS = framesPerSecond;
}

QSizeF GKAppDelegate::compositionMovieDimensions() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->rendererSurfaceSizePixels()
                                     : QSizeF();
}

void GKAppDelegate::setCompositionMovieDimensions(QSizeF size) {
    NSLog("setCompositionMovieDimensions:(%1.2f,%1.2f)\n", size.width(), size.height());
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setRendererSurfaceSizePixels(size);
}

double GKAppDelegate::compositionMovieDuration() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->outputMovieDuration() : 0.0;
}

void GKAppDelegate::setCompositionMovieDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > kQTZMovieRenderer_MaxDurationSeconds) {
        NSLog("GKAppDelegate: a duration of %f seconds cannot be used (0 to %f); it stays %f\n",
              seconds, kQTZMovieRenderer_MaxDurationSeconds, compositionMovieDuration());
        return;
    }
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setOutputMovieDuration(seconds);
}

QString GKAppDelegate::compositionOutputFileName() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->outputFinalMovieFile()
                                     : QString();
}

void GKAppDelegate::setCompositionOutputFileName(const QString& path) {
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setOutputFinalMovieFile(path);
}

bool GKAppDelegate::canRenderQuartzComposition() const {
    NSURL* url = outletQuartzCompositionInputController
                     ? outletQuartzCompositionInputController->sandboxURL()
                     : nullptr;
    return url && NSFileManager::defaultManager()->fileExistsAtPath(url->path());
}

bool GKAppDelegate::isBusy() const {
    return outletQuartzMovieRenderer && (outletQuartzMovieRenderer->isRendering() ||
                                         outletQuartzMovieRenderer->flattenerQueue() != nullptr);
}

void GKAppDelegate::actionFileNew(NSObject*) {}

bool GKAppDelegate::refuse(const QString& why) {
    mStatusText = why;
    NSLog("actionRenderCompositionToMovieFile: %@\n", why);
    NSBeep();
    return false;
}

bool GKAppDelegate::actionRenderCompositionToMovieFile(NSObject*) {
    if (!outletOutputUserFolder || !outletQuartzMovieRenderer)
        return refuse(QStringLiteral("No output folder is chosen."));
    if (!canRenderQuartzComposition())
        return refuse(QStringLiteral("No composition is chosen, or its file is gone."));
    NSURL* composition = outletQuartzCompositionInputController->sandboxURL();
    const QString fileName = NSPath::stringByAppendingPathExtension(
        NSPath::stringByDeletingPathExtension(NSPath::lastPathComponent(composition->path())),
        QStringLiteral("mov"));
    NSRef<NSURL> output = NSAdopt(outletOutputUserFolder->createFileURLWithFileName(fileName));
    if (!output)
        return refuse(QStringLiteral("The output folder cannot take %1.").arg(fileName));
    NSURL* audio =
        outletAudioTrackInputController ? outletAudioTrackInputController->sandboxURL() : nullptr;

    // The movie must not replace one of the job's own files.
    QStringList inputs{composition->path()};
    for (USandboxInputFileController* dependent :
         {outletQTZ1DependentInputController, outletQTZ2DependentInputController,
          outletQTZ3DependentInputController, outletAudioTrackInputController}) {
        if (dependent && dependent->sandboxURL())
            inputs.append(dependent->sandboxURL()->path());
    }
    const QString conflict = finalMovieConflict(output->path(), inputs);
    if (!conflict.isEmpty())
        return refuse(conflict);

    outletQuartzMovieRenderer->setInputCompositionURL(composition);
    outletQuartzMovieRenderer->setInputAudioMovieURL(audio);
    setCompositionOutputFileName(output->path());
    if (!outletQuartzMovieRenderer->renderToMovie())
        return refuse(QStringLiteral("A job is still running."));
    mStatusText.clear();
    return true;
}

NSUInteger GKAppDelegate::applicationShouldTerminate(NSApplication*) {
    if (isBusy()) {
        NSBeep();
        return NSTerminateCancel;
    }
    return NSTerminateNow;
}

bool GKAppDelegate::windowShouldClose(NSObject*) {
    NSLog("windowShouldClose\n");
    const bool busy = isBusy();
    if (busy)
        NSBeep();
    return !busy;
}
