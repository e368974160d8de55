// The delegate's commands around a job: the sound's x, a file dropped on the composition row,
// quitting while a job runs, and what the status line says about unbound image inputs.

#include "app/window/GKAppDelegate.h"

#include "app/job/CompositionInputs.h"
#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A text of the window in the selected language (the given US English text by default).
QString text(const char* identifier, const char16_t* english) {
    return UILocalLanguageController::stringWithID(QString::fromLatin1(identifier),
                                                   QString::fromUtf16(english));
}

// Composition files are shader texts; anything larger is no composition.
constexpr qint64 kLargestComposition = 8 * 1024 * 1024;

// The composition in the file at `path` (autoreleased), or null with the reason.
const QCComposition* readComposition(const QString& path, QString* out_why) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *out_why = QStringLiteral("it is not a file");
        return nullptr;
    }
    if (file.size() > kLargestComposition) {
        *out_why = QStringLiteral("the file is too large for shader text");
        return nullptr;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *out_why = file.errorString();
        return nullptr;
    }
    return QCComposition::compositionWithData(file.readAll(), path, out_why);
}

} // namespace

bool GKAppDelegate::canClearSoundMovie() const {
    return isIdle() && outletAudioTrackInputController &&
           outletAudioTrackInputController->sandboxURL();
}

bool GKAppDelegate::chooseURL(NSURL* url) {
    if (!url || !outletQuartzCompositionInputController)
        return false;
    NSAutoreleasePool pool;
    const QString path = url->path();
    QString why;
    if (isBusy())
        why = text("app.status.dropBusy", u"a job is running");
    else if (readComposition(path, &why))
        return outletQuartzCompositionInputController->chooseURL(url);
    NSLog("chooseURL: %@ is not taken as the composition: %@\n", path, why);
    setStatusText(text("app.status.notComposition",
                       u"%1 was not taken as the composition (%2); the composition stays.")
                      .arg(NSPath::lastPathComponent(path), why));
    return false;
}

bool GKAppDelegate::askToQuitDuringJob() {
    NSAlert* alert =
        NSAlert::alertWithError(text("app.alert.quitBusy", u"A movie is still being made."));
    alert->setInformativeText(text(
        "app.alert.quitBusyDetail",
        u"Stop the job and quit now (no movie is written), or quit once the movie is written."));
    alert->addButtonWithTitle(text("app.alert.stopAndQuit", u"Stop and Quit"));
    alert->addButtonWithTitle(text("app.alert.quitWhenWritten", u"Quit When Written"));
    alert->addButtonWithTitle(text("app.alert.cancelButton", u"Cancel"));
    const NSModalResponse answer = alert->runModal();
    mQuitWhenJobEnds = answer == NSAlertFirstButtonReturn || answer == NSAlertSecondButtonReturn;
    if (answer == NSAlertFirstButtonReturn)
        actionCancelRendering(this);
    NSLog("applicationShouldTerminate: a job is running; %s\n",
          answer == NSAlertFirstButtonReturn    ? "it is stopped and the application quits then"
          : answer == NSAlertSecondButtonReturn ? "the application quits once it has ended"
                                                : "the application keeps running");
    return mQuitWhenJobEnds;
}

void GKAppDelegate::quitIfAsked() {
    if (!mQuitWhenJobEnds || isBusy())
        return;
    mQuitWhenJobEnds = false;
    if (NSApp)
        NSApp->terminate(this);
}

QString GKAppDelegate::unboundImageInputsNote() const {
    NSURL* url = outletQuartzCompositionInputController
                     ? outletQuartzCompositionInputController->sandboxURL()
                     : nullptr;
    if (!url)
        return {};
    NSAutoreleasePool pool;
    QString why;
    const QCComposition* composition = readComposition(url->path(), &why);
    if (!composition)
        return {};
    const QStringList unbound =
        compositionUnboundImageInputs(composition->model(), compositionInputs());
    if (unbound.isEmpty())
        return {};
    NSLog("actionRenderCompositionToMovieFile: no picture is bound to %@\n",
          unbound.join(QStringLiteral(", ")));
    return text("app.status.unbound", u" No picture is bound to %1: it shows as transparent.")
        .arg(unbound.join(QStringLiteral(", ")));
}
