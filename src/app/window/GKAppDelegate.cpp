#include "app/window/GKAppDelegate.h"

#include "app/job/CompositionInputValues.h"
#include "app/job/RenderJobChecks.h"
#include "app/job/RenderPresets.h"
#include "app/job/RenderTiming.h"
#include "app/window/AppInputsPanel.h"
#include "app/window/GKPreviewController.h"
#include "interface/UILocalization/UILocalLanguageController.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSBeep.h"
#include "platform/appkit/NSWorkspace.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/DeliveryFormats.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCEGLContext.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(GKAppDelegate, NSObject, [](NSClass& cls) {
    cls.addClassMethod(QStringLiteral("persistentObjectKeyPaths"), [](Class) {
        return QVariant::fromValue(QSet<QString>{
            QStringLiteral("movieDimensions"),
            QStringLiteral("deliveryFormat"),
            QStringLiteral("compositionMovieFrameRate"),
            QStringLiteral("compositionMovieDuration"),
            QStringLiteral("outletQuartzCompositionInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ1DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ2DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletQTZ3DependentInputController.sandboxBookmarkData"),
            QStringLiteral("outletAudioTrackInputController.sandboxBookmarkData"),
            QStringLiteral("windowFrame"),
        });
    });
    GKAppDelegate::addTimingClassMethods(cls);
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingHidesDependentInputs"), [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("hasDependentInputs")});
    });
    const auto renderInputs = [](Class) {
        return QVariant::fromValue(
            QSet<QString>{QStringLiteral("idle"),
                          QStringLiteral("outletQuartzCompositionInputController.sandboxURL"),
                          QStringLiteral("outletOutputUserFolder.sandboxURL")});
    };
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingCanRender"), renderInputs);
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingBusy"), [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("idle")});
    });
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingCanClearSoundMovie"), [](Class) {
        return QVariant::fromValue(QSet<QString>{
            QStringLiteral("idle"), QStringLiteral("outletAudioTrackInputController.sandboxURL")});
    });
    for (const char* row : {"1", "2", "3"})
        cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingCanChooseImageInput") +
                               QLatin1String(row),
                           [](Class) { return QVariant::fromValue(QSet<QString>{"idle"}); });
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingRenderToolTip"), renderInputs);
})

int import_GKAppDelegate() {
    return (GKAppDelegate::classObject() != nullptr) & import_AppController() &
           import_AppInputsPanel() & import_QTZMovieRenderer() &
           import_USandboxInputFileController() & import_USandboxUserFolder() &
           import_UPersistentObjectsController() & import_GKPreviewController();
}

GKAppDelegate::~GKAppDelegate() {
    if (mObservingComposition && outletQuartzCompositionInputController)
        outletQuartzCompositionInputController->removeObserver(this, QStringLiteral("sandboxURL"));
    for (USandboxInputFileController* row : std::as_const(mObservedRows))
        row->removeObserver(this, QStringLiteral("sandboxURL"));
}

void GKAppDelegate::awakeFromNib() {
    setCompositionMovieDuration(static_cast<double>(33.3f));
    setMovieDimensions(0);
    if (outletPersistentObjectsController)
        outletPersistentObjectsController->registerPersistentObject(this);
    if (outletQuartzCompositionInputController && !mObservingComposition) {
        mObservingComposition = true;
        outletQuartzCompositionInputController->addObserver(this, QStringLiteral("sandboxURL"),
                                                            NSKeyValueObservingOptionNew, nullptr);
    }
    if (mObservedRows.isEmpty()) {
        for (USandboxInputFileController* row :
             {outletQTZ1DependentInputController, outletQTZ2DependentInputController,
              outletQTZ3DependentInputController, outletAudioTrackInputController}) {
            if (!row)
                continue;
            mObservedRows.append(row);
            row->addObserver(this, QStringLiteral("sandboxURL"), NSKeyValueObservingOptionNew,
                             nullptr);
        }
    }
    if (__window)
        __window->setTitle(windowTitle());
    if (outletQuartzMovieRenderer && !mListening) {
        mListening = true;
        connect(outletQuartzMovieRenderer, &QTZMovieRenderer::renderJobFinished, this,
                [this](bool written) { jobFinished(written); });
        // After the job's end is shown (and any alert about it answered).
        connect(
            outletQuartzMovieRenderer, &QTZMovieRenderer::renderJobFinished, this,
            [this] { quitIfAsked(); }, Qt::QueuedConnection);
        connectJobDisplay();
    }
}

void GKAppDelegate::applicationDidFinishLaunching(NSNotification* notification) {
    followImageInputs(mImageInputNames, false);
    // A file the composition loads, restored from the last run, shows its row.
    for (USandboxInputFileController* dependent :
         {outletQTZ1DependentInputController, outletQTZ2DependentInputController,
          outletQTZ3DependentInputController}) {
        if (dependent && dependent->sandboxURL())
            setHasDependentInputs(true);
    }
    if (outletAppController)
        outletAppController->applicationDidFinishLaunching(notification);
}

void GKAppDelegate::applicationWillTerminate(NSNotification* notification) {
    if (outletAppController)
        outletAppController->applicationWillTerminate(notification);
}

namespace {

// A text of the window in the selected language (the given US English text by default).
QString text(const char* identifier, const char16_t* english) {
    return UILocalLanguageController::stringWithID(QString::fromLatin1(identifier),
                                                   QString::fromUtf16(english));
}

// The settings whose setters announce their changes themselves.
const QSet<QString>& announcedSettings() {
    static const QSet<QString> keys{QStringLiteral("movieDimensions"),
                                    QStringLiteral("deliveryFormat"),
                                    QStringLiteral("hasDependentInputs"),
                                    QStringLiteral("compositionMovieFrameRate"),
                                    QStringLiteral("compositionMovieDimensions"),
                                    QStringLiteral("compositionMovieDuration")};
    return keys;
}

// Announces a change of `key` of `object` for as long as it lives.
class ChangeOf {
public:
    ChangeOf(NSObject* object, const char* key) : mObject(object), mKey(QString::fromLatin1(key)) {
        mObject->willChangeValueForKey(mKey);
    }
    ~ChangeOf() { mObject->didChangeValueForKey(mKey); }
    ChangeOf(const ChangeOf&) = delete;
    ChangeOf& operator=(const ChangeOf&) = delete;

private:
    NSObject* mObject;
    QString mKey;
};

} // namespace

bool GKAppDelegate::automaticallyNotifiesObserversForKey(const QString& key) const {
    return !announcedSettings().contains(key) &&
           NSObject::automaticallyNotifiesObserversForKey(key);
}

void GKAppDelegate::setHasDependentInputs(bool has) {
    ChangeOf change(this, "hasDependentInputs");
    __hasDependentInputs = has;
}

void GKAppDelegate::setMovieDimensions(int index) {
    ChangeOf change(this, "movieDimensions");
    __movieDimensions = index;
    setCompositionMovieDimensions(movieDimensionsForIndex(index));
}

int GKAppDelegate::deliveryFormat() const {
    const QString name =
        outletQuartzMovieRenderer ? outletQuartzMovieRenderer->deliveryFormat() : QString();
    const QList<DeliveryFormat>& formats = deliveryFormats();
    for (int index = 0; index < formats.size(); ++index) {
        if (formats[index].name == name)
            return index;
    }
    return 0;
}

void GKAppDelegate::setDeliveryFormat(int index) {
    if (index < 0 || index >= deliveryFormats().size()) {
        NSLog("GKAppDelegate: there is no movie format %d; it stays %d\n", index, deliveryFormat());
        return;
    }
    ChangeOf change(this, "deliveryFormat");
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setDeliveryFormat(deliveryFormats()[index].name);
    emit windowJobChanged();
}

unsigned GKAppDelegate::compositionMovieFrameRate() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->framesPerSecond()
                                     : QStillFrameRecorder_Config_RenderFPS;
}

void GKAppDelegate::setCompositionMovieFrameRate(unsigned framesPerSecond) {
    if (!RenderJob::frameRateProblem(framesPerSecond).isEmpty()) {
        NSLog("GKAppDelegate: a frame rate of %u cannot be used (1 to %u); it stays %u\n",
              framesPerSecond, kRenderJob_MaxFramesPerSecond, compositionMovieFrameRate());
        return;
    }
    ChangeOf change(this, "compositionMovieFrameRate");
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setFramesPerSecond(framesPerSecond);
    QStillFrameRecorder_Config_RenderFPS = framesPerSecond;
    emit windowJobChanged();
}

QSizeF GKAppDelegate::compositionMovieDimensions() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->rendererSurfaceSizePixels()
                                     : QSizeF();
}

void GKAppDelegate::setCompositionMovieDimensions(QSizeF size) {
    NSLog("setCompositionMovieDimensions:(%1.2f,%1.2f)\n", size.width(), size.height());
    ChangeOf change(this, "compositionMovieDimensions");
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setRendererSurfaceSizePixels(size);
    emit windowJobChanged();
}

double GKAppDelegate::compositionMovieDuration() const {
    return outletQuartzMovieRenderer ? outletQuartzMovieRenderer->outputMovieDuration() : 0.0;
}

void GKAppDelegate::setCompositionMovieDuration(double seconds) {
    if (!RenderJob::durationProblem(seconds).isEmpty()) {
        NSLog("GKAppDelegate: a duration of %f seconds cannot be used (0 to %f); it stays %f\n",
              seconds, kRenderJob_MaxDurationSeconds, compositionMovieDuration());
        return;
    }
    ChangeOf change(this, "compositionMovieDuration");
    if (outletQuartzMovieRenderer)
        outletQuartzMovieRenderer->setOutputMovieDuration(seconds);
    emit windowJobChanged();
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
    return outletQuartzMovieRenderer &&
           (outletQuartzMovieRenderer->isJobActive() || outletQuartzMovieRenderer->isRendering() ||
            outletQuartzMovieRenderer->flattenerQueue() != nullptr);
}

void GKAppDelegate::actionFileNew(NSObject*) {}

QString GKAppDelegate::windowTitle() const {
    NSURL* url = outletQuartzCompositionInputController
                     ? outletQuartzCompositionInputController->sandboxURL()
                     : nullptr;
    if (!url)
        return QStringLiteral("Lumenreel");
    return QStringLiteral("Lumenreel \u2014 %1")
        .arg(NSPath::stringByDeletingPathExtension(NSPath::lastPathComponent(url->path())));
}

void GKAppDelegate::observeValueForKeyPath(const QString& keyPath, NSObject* object,
                                           const QVariantMap& change, void* context) {
    if (object == outletQuartzCompositionInputController) {
        if (__window)
            __window->setTitle(windowTitle());
        compositionChosen();
        refreshImageInputs();
        emit windowJobChanged();
        return;
    }
    if (mObservedRows.contains(object)) {
        emit windowJobChanged();
        return;
    }
    NSObject::observeValueForKeyPath(keyPath, object, change, context);
}

void GKAppDelegate::refreshImageInputs() {
    static const char* const kLabels[] = {"imageInputLabel1",     "imageInputLabel2",
                                          "imageInputLabel3",     "canChooseImageInput1",
                                          "canChooseImageInput2", "canChooseImageInput3"};
    for (const char* key : kLabels)
        willChangeValueForKey(QString::fromLatin1(key));
    const QStringList previous = std::exchange(mImageInputNames, {});
    const bool hadComposition = mHasComposition;
    NSURL* url = outletQuartzCompositionInputController
                     ? outletQuartzCompositionInputController->sandboxURL()
                     : nullptr;
    mHasComposition = url != nullptr;
    // Read without blocking: a FIFO chosen as the composition must not hang the window.
    const std::optional<QByteArray> data =
        url ? QCReadCompositionFile(url->path(), nullptr) : std::nullopt;
    const QCComposition* composition = nullptr;
    NSAutoreleasePool pool;
    if (data) {
        composition = QCComposition::compositionWithData(*data, url->path());
        if (composition)
            mImageInputNames = compositionImageInputNames(composition->model());
    }
    for (const char* key : kLabels)
        didChangeValueForKey(QString::fromLatin1(key));
    followValueInputs(composition ? &composition->model() : nullptr,
                      composition ? url->path() : QString());
    followImageInputs(previous, hadComposition);
    // A composition that takes images shows the rows that feed them.
    if (!mImageInputNames.isEmpty() && !hasDependentInputs())
        setHasDependentInputs(true);
}

QString GKAppDelegate::imageInputLabel(int row) const {
    return row < mImageInputNames.size() ? mImageInputNames[row] : QStringLiteral("\u2013");
}

CompositionInputSettings GKAppDelegate::compositionInputs() const {
    CompositionInputSettings settings;
    const USandboxInputFileController* rows[] = {outletQTZ1DependentInputController,
                                                 outletQTZ2DependentInputController,
                                                 outletQTZ3DependentInputController};
    for (int row = 0; row < 3 && row < mImageInputNames.size(); ++row) {
        if (rows[row] && rows[row]->sandboxURL())
            settings.files.append({mImageInputNames[row], rows[row]->sandboxURL()->path()});
    }
    settings.values = compositionInputValues().settings();
    return settings;
}

RenderJob GKAppDelegate::windowJob() const {
    // The rows' URLs come autoreleased; the job holds its own references. Callers run from
    // signals and timers, outside any other release scope.
    NSAutoreleasePool pool;
    RenderJob job = outletQuartzMovieRenderer ? outletQuartzMovieRenderer->job() : RenderJob();
    job.compositionURL = NSRef<NSURL>(outletQuartzCompositionInputController
                                          ? outletQuartzCompositionInputController->sandboxURL()
                                          : nullptr);
    job.soundMovieURL = NSRef<NSURL>(
        outletAudioTrackInputController ? outletAudioTrackInputController->sandboxURL() : nullptr);
    job.inputs = compositionInputs();
    job.finalMovieFile.clear();
    // As long as the sound: the sound's length. A sound whose length cannot be read keeps the
    // Seconds field's, and the render command refuses the job saying why.
    if (QString unread; !resolveSoundDuration(job, &unread))
        job.durationSeconds = compositionMovieDuration();
    // The video is encoded on every core while the next frames render.
    job.encoderThreads = 0;
    return job;
}

QString GKAppDelegate::renderToolTip() const {
    if (isBusy())
        return text("app.tooltip.busy", u"A job is running.");
    if (!canRenderQuartzComposition())
        return text("app.tooltip.noComposition", u"Choose a composition first.");
    if (!outletOutputUserFolder || !outletOutputUserFolder->sandboxURL())
        return text("app.tooltip.noFolder", u"Choose an output folder first.");
    return {};
}

void GKAppDelegate::actionClearSoundMovie(NSObject*) {
    // The bookmark goes too, or the settings would bring the sound back at the next launch.
    if (outletAudioTrackInputController && isIdle())
        outletAudioTrackInputController->setSandboxURL_forSandboxBookmarkData(nullptr,
                                                                              std::nullopt);
}

void GKAppDelegate::actionCancelRendering(NSObject*) {
    if (outletQuartzMovieRenderer && isBusy()) {
        setStatusText(text("app.status.stopping", u"Stopping..."));
        outletQuartzMovieRenderer->cancelRendering();
    }
}

void GKAppDelegate::setStatusText(const QString& text) {
    if (text == mStatusText)
        return;
    mStatusIsRefusal = false;
    willChangeValueForKey(QStringLiteral("statusText"));
    mStatusText = text;
    didChangeValueForKey(QStringLiteral("statusText"));
}

void GKAppDelegate::jobProgressed(double fraction) {
    if (!isBusy() || mJobFrames == 0)
        return;
    const double seconds = double(mJobTimer.elapsed()) / 1000.0;
    const quint64 frames =
        std::min<quint64>(mJobFrames, quint64(std::llround(fraction * mJobFrames)));
    if (fraction >= 1.0) {
        setStatusText(text("app.status.writing", u"Writing %1...").arg(mJobFileName));
        return;
    }
    QString line = text("app.status.progress", u"Rendering %1: frame %2 of %3, %4 s")
                       .arg(mJobFileName)
                       .arg(frames)
                       .arg(mJobFrames)
                       .arg(seconds, 0, 'f', 0);
    // Time left, once there is something to measure it by.
    if (fraction > 0)
        line += text("app.status.left", u", about %1 s left")
                    .arg(seconds * (1.0 - fraction) / fraction, 0, 'f', 0);
    setStatusText(line + mJobDevice);
}

bool GKAppDelegate::actionShowInFolder(NSObject*) {
    if (mLastMoviePath.isEmpty())
        return false;
    const QString folder = NSPath::stringByDeletingLastPathComponent(mLastMoviePath);
    if (NSWorkspace::sharedWorkspace()->openURL(NSURL::fileURLWithPath(folder, true)))
        return true;
    setStatusText(text("app.status.noFileManager", u"No file manager could be started to show %1.")
                      .arg(folder));
    NSLog("actionShowInFolder: no file manager opened %@\n", folder);
    return false;
}

QString GKAppDelegate::windowFrame() const {
    if (!__window)
        return {};
    const NSRect frame = __window->frame();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

void GKAppDelegate::setWindowFrame(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!__window || parts.size() != 4)
        return;
    double values[4] = {};
    for (int index = 0; index < 4; ++index) {
        bool ok = false;
        values[index] = parts[index].toDouble(&ok);
        if (!ok || !std::isfinite(values[index]))
            return;
    }
    // A size of nothing or beyond any screen is no frame; the rest is brought onto a screen.
    if (values[2] <= 0 || values[3] <= 0 || values[2] > 20000 || values[3] > 20000)
        return;
    __window->setFrame(
        __window->constrainFrameRect(NSMakeRect(values[0], values[1], values[2], values[3])), true);
}

void GKAppDelegate::jobFinished(bool movieWritten) {
    releaseJobMemory();
    willChangeValueForKey(QStringLiteral("idle"));
    didChangeValueForKey(QStringLiteral("idle"));
    willChangeValueForKey(QStringLiteral("hidesShowInFolder"));
    mLastMoviePath = movieWritten ? compositionOutputFileName() : QString();
    didChangeValueForKey(QStringLiteral("hidesShowInFolder"));
    if (movieWritten) {
        setStatusText(text("app.status.written", u"Written: %1").arg(mLastMoviePath) +
                      mJobUnboundNote);
        return;
    }
    const QString kept = outletQuartzMovieRenderer->lastJobRecoverableVideo();
    const QString where =
        kept.isEmpty()
            ? QString()
            : text("app.status.kept", u" The video rendered so far is in the Trash: %1").arg(kept);
    if (outletQuartzMovieRenderer->lastJobWasCancelled()) {
        setStatusText(text("app.status.stopped", u"Stopped.") + where);
        return;
    }
    const QString reason = outletQuartzMovieRenderer->lastJobFailureReason();
    setStatusText(text("app.status.failed", u"No movie was written: %1.").arg(reason));
    NSAlert::alertWithError(
        text("app.alert.failed", u"No movie was written: %1.%2").arg(reason, where))
        ->runModal();
}

bool GKAppDelegate::confirmReplacing(const QString& path) {
    NSAlert* alert = NSAlert::alertWithError(
        text("app.alert.replace", u"\u201c%1\u201d already exists. Replace it?")
            .arg(NSPath::lastPathComponent(path)));
    alert->setInformativeText(text("app.alert.replaceDetail",
                                   u"The movie in %1 is replaced once the new one is complete.")
                                  .arg(NSPath::stringByDeletingLastPathComponent(path)));
    alert->addButtonWithTitle(text("app.alert.replaceButton", u"Replace"));
    alert->addButtonWithTitle(text("app.alert.cancelButton", u"Cancel"));
    return alert->runModal() == NSAlertFirstButtonReturn;
}

bool GKAppDelegate::refuse(const QString& why) {
    setStatusText(why);
    mStatusIsRefusal = true;
    NSLog("actionRenderCompositionToMovieFile: %@\n", why);
    NSBeep();
    return false;
}

bool GKAppDelegate::actionRenderCompositionToMovieFile(NSObject*) {
    // The settings below belong to the running job until it ends.
    if (isBusy())
        return refuse(text("app.status.busy", u"A job is still running."));
    if (!outletOutputUserFolder || !outletQuartzMovieRenderer)
        return refuse(text("app.status.noFolder", u"No output folder is chosen."));
    if (!canRenderQuartzComposition())
        return refuse(
            text("app.status.noComposition", u"No composition is chosen, or its file is gone."));
    NSURL* composition = outletQuartzCompositionInputController->sandboxURL();
    const QString fileName = NSPath::stringByAppendingPathExtension(
        NSPath::stringByDeletingPathExtension(NSPath::lastPathComponent(composition->path())),
        deliveryFormats()[deliveryFormat()].extension);
    NSRef<NSURL> output = NSAdopt(outletOutputUserFolder->createFileURLWithFileName(fileName));
    if (!output)
        return refuse(
            text("app.status.badName", u"The output folder cannot take %1.").arg(fileName));

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
    if (QFileInfo::exists(output->path()) && !confirmReplacing(output->path()))
        return refuse(
            text("app.status.kept.movie", u"%1 was kept; no movie was rendered.").arg(fileName));

    RenderJob job = windowJob();
    job.finalMovieFile = output->path();
    QString problem = job.validate();
    if (problem.isEmpty())
        resolveSoundDuration(job, &problem);
    if (!problem.isEmpty())
        return refuse(text("app.status.invalid", u"The job cannot be rendered: %1.").arg(problem));
    const quint64 frames = quint64(job.frameCount());
    const QString timingNote = longSoundNote(job);
    outletQuartzMovieRenderer->setJob(std::move(job));
    willChangeValueForKey(QStringLiteral("idle"));
    const bool started = outletQuartzMovieRenderer->renderToMovie();
    didChangeValueForKey(QStringLiteral("idle"));
    if (!started)
        return refuse(text("app.status.busy", u"A job is still running."));
    clearLastJob();
    mJobFileName = fileName;
    mJobUnboundNote = unboundImageInputsNote() + timingNote;
    mJobFrames = frames;
    mJobTimer.start();
    // What renders, beside the job's lines: a CPU renderer is much slower and more limited.
    const QString device = QCEGLContext::processRenderingDeviceSummary();
    mJobDevice = device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device);
    setStatusText(text("app.status.started", u"Rendering %1...").arg(fileName) + mJobDevice +
                  mJobUnboundNote);
    return true;
}

NSUInteger GKAppDelegate::applicationShouldTerminate(NSApplication*) {
    // The job may end while the alert is up: then the answer to quit holds at once.
    if (isBusy() && (!askToQuitDuringJob() || isBusy()))
        return NSTerminateCancel;
    mQuitWhenJobEnds = false;
    return NSTerminateNow;
}

bool GKAppDelegate::windowShouldClose(NSObject*) {
    NSLog("windowShouldClose\n");
    return !isBusy() || (askToQuitDuringJob() && !isBusy());
}
