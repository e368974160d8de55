#pragma once

#include "app/job/QTZMovieRenderer.h"
#include "app/window/AppController.h"
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "interface/USecuritySandbox/USandboxUserFolder.h"
#include "interface/USecuritySandboxControllers/USandboxInputFileController.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSObject.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointF>
#include <QSet>
#include <QSizeF>
#include <QString>

#include <memory>

// The application's delegate and its main window's: the render settings the window shows and
// the settings file keeps (views onto where the render driver keeps them), the chosen files, and
// the render command. Main thread only.
class CompositionInputValues;
class NSImageView;
class NSProgressIndicator;
struct QCCompositionModel;

class GKAppDelegate : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(GKAppDelegate)
    Q_PROPERTY(AppController* outletAppController MEMBER outletAppController)
    Q_PROPERTY(QTZMovieRenderer* outletQuartzMovieRenderer MEMBER outletQuartzMovieRenderer)
    Q_PROPERTY(UPersistentObjectsController* outletPersistentObjectsController MEMBER
                   outletPersistentObjectsController)
    Q_PROPERTY(USandboxInputFileController* outletQuartzCompositionInputController MEMBER
                   outletQuartzCompositionInputController)
    Q_PROPERTY(USandboxInputFileController* outletQTZ1DependentInputController MEMBER
                   outletQTZ1DependentInputController)
    Q_PROPERTY(USandboxInputFileController* outletQTZ2DependentInputController MEMBER
                   outletQTZ2DependentInputController)
    Q_PROPERTY(USandboxInputFileController* outletQTZ3DependentInputController MEMBER
                   outletQTZ3DependentInputController)
    Q_PROPERTY(USandboxInputFileController* outletAudioTrackInputController MEMBER
                   outletAudioTrackInputController)
    Q_PROPERTY(USandboxUserFolder* outletOutputUserFolder MEMBER outletOutputUserFolder)
    Q_PROPERTY(NSWindow* window READ window WRITE setWindow)
    Q_PROPERTY(int movieDimensions READ movieDimensions WRITE setMovieDimensions)
    Q_PROPERTY(int deliveryFormat READ deliveryFormat WRITE setDeliveryFormat)
    Q_PROPERTY(bool hasDependentInputs READ hasDependentInputs WRITE setHasDependentInputs)
    Q_PROPERTY(unsigned compositionMovieFrameRate READ compositionMovieFrameRate WRITE
                   setCompositionMovieFrameRate)
    Q_PROPERTY(QSizeF compositionMovieDimensions READ compositionMovieDimensions WRITE
                   setCompositionMovieDimensions)
    Q_PROPERTY(double compositionMovieDuration READ compositionMovieDuration WRITE
                   setCompositionMovieDuration)
    Q_PROPERTY(QString compositionOutputFileName READ compositionOutputFileName WRITE
                   setCompositionOutputFileName)
    Q_PROPERTY(bool compositionMovieDurationFromSound READ compositionMovieDurationFromSound WRITE
                   setCompositionMovieDurationFromSound)
    Q_PROPERTY(bool compositionMovieLoop READ compositionMovieLoop WRITE setCompositionMovieLoop)
    Q_PROPERTY(bool compositionMovieCutSound READ compositionMovieCutSound WRITE
                   setCompositionMovieCutSound)
    Q_PROPERTY(int customMovieWidth READ customMovieWidth WRITE setCustomMovieWidth)
    Q_PROPERTY(int customMovieHeight READ customMovieHeight WRITE setCustomMovieHeight)
    Q_PROPERTY(bool hidesCustomSize READ hidesCustomSize)
    Q_PROPERTY(bool canEditDuration READ canEditDuration)
    Q_PROPERTY(bool hidesDependentInputs READ hidesDependentInputs)
    Q_PROPERTY(bool idle READ isIdle)
    Q_PROPERTY(bool busy READ isBusy)
    Q_PROPERTY(bool canClearSoundMovie READ canClearSoundMovie)
    Q_PROPERTY(bool canRender READ canRender)
    Q_PROPERTY(QString renderToolTip READ renderToolTip)
    Q_PROPERTY(QString statusText READ statusText)
    Q_PROPERTY(bool hidesShowInFolder READ hidesShowInFolder)
    Q_PROPERTY(QString windowFrame READ windowFrame WRITE setWindowFrame)
    Q_PROPERTY(QString imageInputLabel1 READ imageInputLabel1)
    Q_PROPERTY(QString imageInputLabel2 READ imageInputLabel2)
    Q_PROPERTY(QString imageInputLabel3 READ imageInputLabel3)
    Q_PROPERTY(bool canChooseImageInput1 READ canChooseImageInput1)
    Q_PROPERTY(bool canChooseImageInput2 READ canChooseImageInput2)
    Q_PROPERTY(bool canChooseImageInput3 READ canChooseImageInput3)
public:
    ~GKAppDelegate() override;

    // Outlets, connected by the main interface file; not retained.
    AppController* outletAppController = nullptr;
    QTZMovieRenderer* outletQuartzMovieRenderer = nullptr;
    UPersistentObjectsController* outletPersistentObjectsController = nullptr;
    USandboxInputFileController* outletQuartzCompositionInputController = nullptr;
    USandboxInputFileController* outletQTZ1DependentInputController = nullptr;
    USandboxInputFileController* outletQTZ2DependentInputController = nullptr;
    USandboxInputFileController* outletQTZ3DependentInputController = nullptr;
    USandboxInputFileController* outletAudioTrackInputController = nullptr;
    USandboxUserFolder* outletOutputUserFolder = nullptr;

    // Sets the defaults (33.3 s as a 32-bit float, preset 0) and registers the settings with
    // the persistent objects controller, which restores the saved ones.
    void awakeFromNib() override;
    Q_INVOKABLE void applicationDidFinishLaunching(NSNotification* notification);
    Q_INVOKABLE void applicationWillTerminate(NSNotification* notification);

    NSWindow* window() const { return __window; }
    void setWindow(NSWindow* window) { __window = window; }
    int movieDimensions() const { return __movieDimensions; }
    // Stores the preset index and gives the renderer the preset's size (640 x 480 for an index
    // without a preset).
    void setMovieDimensions(int index);
    // The final movie's video format: an index into deliveryFormats(), 0 (Animation) by
    // default; another index (from a hand-edited settings file) is refused with a log line.
    int deliveryFormat() const;
    void setDeliveryFormat(int index);
    bool hasDependentInputs() const { return __hasDependentInputs; }
    void setHasDependentInputs(bool has);

    // The frame rate, 1 to 600; another value (from a hand-edited settings file) is refused
    // with a log line and the rate stays as it was.
    unsigned compositionMovieFrameRate() const;
    void setCompositionMovieFrameRate(unsigned framesPerSecond);
    QSizeF compositionMovieDimensions() const;
    void setCompositionMovieDimensions(QSizeF size);
    // The duration, 0 to 24 hours; another value is refused with a log line.
    double compositionMovieDuration() const;
    void setCompositionMovieDuration(double seconds);
    QString compositionOutputFileName() const;
    void setCompositionOutputFileName(const QString& path);

    // The movie's timing (GKAppDelegateTiming.cpp), views onto the renderer's job: as long as
    // the sound (the Seconds field then rests), a loop without its end frame, the sound cut at
    // the video's end. All off by default.
    bool compositionMovieDurationFromSound() const;
    void setCompositionMovieDurationFromSound(bool fromSound);
    bool compositionMovieLoop() const;
    void setCompositionMovieLoop(bool loop);
    bool compositionMovieCutSound() const;
    void setCompositionMovieCutSound(bool cut);
    bool canEditDuration() const { return isIdle() && !compositionMovieDurationFromSound(); }
    // The size of the Custom... entry of the Size pop-up, each side 16 to 16384 (1920 x 1080
    // by default); another value is refused with a log line. The fields show for Custom only.
    int customMovieWidth() const { return mCustomMovieWidth; }
    void setCustomMovieWidth(int width);
    int customMovieHeight() const { return mCustomMovieHeight; }
    void setCustomMovieHeight(int height);
    bool hidesCustomSize() const;
    // The size of a preset index, or the custom size for the Custom... entry.
    QSizeF movieDimensionsForIndex(int index) const;
    // Adds the timing's and the custom size's key paths to the class's persistent ones, and the
    // keys they make change, to the class's description (after its persistentObjectKeyPaths).
    static void addTimingClassMethods(NSClass& cls);

    bool canRenderQuartzComposition() const;
    // Whether a job still renders or writes its movie: quitting then would lose it.
    bool isBusy() const;

    // For the window: the dependent-file rows are hidden until asked for; the settings are
    // locked while a job runs; Render is enabled when idle with a composition and a folder, and
    // its tool tip says what is missing.
    bool hidesDependentInputs() const { return !__hasDependentInputs; }
    bool isIdle() const { return !isBusy(); }
    bool canRender() const { return renderToolTip().isEmpty(); }
    QString renderToolTip() const;
    // The sound's x: no sound for the next jobs, and none after a relaunch.
    Q_INVOKABLE void actionClearSoundMovie(NSObject* sender);
    bool canClearSoundMovie() const;
    // A file dropped on the composition row: kept as the composition when it is one; otherwise
    // refused with a status line, the chosen composition staying.
    Q_INVOKABLE bool chooseURL(NSURL* url);
    // Opens the folder of the last movie written in the file manager; where none can be
    // started, the status line says so with the folder's path.
    Q_INVOKABLE bool actionShowInFolder(NSObject* sender);
    bool hidesShowInFolder() const { return mLastMoviePath.isEmpty(); }
    // The window's frame as "x y width height", kept with the settings so that the window comes
    // back where it was, moved onto the screen it lands on and no smaller than the window's
    // minimum; a text that is not four numbers of a usable size is ignored.
    QString windowFrame() const;
    void setWindowFrame(const QString& frame);
    Q_INVOKABLE void actionCancelRendering(NSObject* sender);
    Q_INVOKABLE void actionFileNew(NSObject* sender);
    // The render command. Returns whether a job was started; when not, the beep sounded and
    // statusText says why.
    Q_INVOKABLE bool actionRenderCompositionToMovieFile(NSObject* sender);
    // Quitting or closing the window while a job runs is refused, and an alert offers to stop
    // the job and quit, or to quit once the movie is written.
    Q_INVOKABLE NSUInteger applicationShouldTerminate(NSApplication* application);
    Q_INVOKABLE bool windowShouldClose(NSObject* window);
    // Whether the application quits when the running job ends.
    bool quitsWhenJobEnds() const { return mQuitWhenJobEnds; }

    // The status line: why the last render command did nothing, the job's progress, or how
    // the last job ended.
    QString statusText() const { return mStatusText; }
    // The path of the last movie written; empty when the last job wrote none.
    QString lastMoviePath() const { return mLastMoviePath; }
    // The three file rows feed the composition's image inputs in the order it declares them;
    // each row's label is its input's name, or a dash for a row that feeds nothing.
    QString imageInputLabel1() const { return imageInputLabel(0); }
    QString imageInputLabel2() const { return imageInputLabel(1); }
    QString imageInputLabel3() const { return imageInputLabel(2); }
    QString imageInputLabel(int row) const;
    // A row takes a file while idle and while it feeds an input of the composition.
    bool canChooseImageInput1() const { return canChooseImageInput(0); }
    bool canChooseImageInput2() const { return canChooseImageInput(1); }
    bool canChooseImageInput3() const { return canChooseImageInput(2); }
    bool canChooseImageInput(int row) const;
    // What the job gives the composition's inputs: each row's file, by its input's name.
    CompositionInputSettings compositionInputs() const;
    // The job the window describes: the chosen files, the composition's inputs and the
    // settings. The render command adds the movie's file to it; the preview plays it.
    RenderJob windowJob() const;

    // "Lumenreel", followed by the composition's name once one is chosen.
    QString windowTitle() const;

    // The chosen composition's inputs that take a value, and the values the window gives them:
    // the job's values, checked as a command line's are. Kept per composition file in the user
    // defaults ("compositionInputValues") and given back when that file is chosen again.
    const CompositionInputValues& compositionInputValues() const;
    // Gives input `name` the value `text` means on a command line; false, with a log line, when
    // it does not fit or a job runs.
    Q_INVOKABLE bool setCompositionInputValue(const QString& name, const QString& text);
    // Input `name` holds its value at `seconds` from now on, without keys or band.
    void makeCompositionInputConstant(const QString& name, double seconds);
    // Every input back at its default.
    Q_INVOKABLE void actionResetCompositionInputs(NSObject* sender);
    // An event input fires once (the preview's business: a movie takes no events).
    Q_INVOKABLE void fireCompositionInputEvent(const QString& name);
    // A press or drag in the preview at `point` (0..1 from the picture's bottom left) moves the
    // first point2D input there: across its MIN..MAX when it has both, else in the movie's
    // pixels. False when there is no such input or a job runs.
    bool dragCompositionPoint(QPointF point);
    // The sound inputs of the chosen composition: ISF audio and audioFFT inputs, the Shadertoy
    // sound channel.
    QStringList compositionSoundInputNames() const { return mSoundInputNames; }

    void observeValueForKeyPath(const QString& keyPath, NSObject* object, const QVariantMap& change,
                                void* context) override;
    // The settings announce their own changes, however they are set.
    bool automaticallyNotifiesObserversForKey(const QString& key) const override;

signals:
    // The job the window describes changed: a file, an input or a setting.
    void windowJobChanged();
    // Another composition, or its file read again: the list of value inputs may differ.
    void compositionInputsChanged();
    // A value of an input changed (before windowJobChanged).
    void compositionInputValuesChanged();
    void compositionInputEventFired(const QString& name);

private:
    bool refuse(const QString& why);
    // Asks what to do about a quit or close while a job runs: true when the user wants to quit
    // (now, or once the movie is written).
    bool askToQuitDuringJob();
    // Main thread, after the job's end was shown: quits when the user asked for it.
    void quitIfAsked();
    // The image inputs of the composition about to render that get no picture, as a sentence
    // for the status line (empty when every one has one).
    QString unboundImageInputsNote() const;
    // Asks whether the existing movie at `path` may be replaced.
    bool confirmReplacing(const QString& path);
    void setStatusText(const QString& text);
    // Main thread: the render driver's job ended.
    void jobFinished(bool movieWritten);
    // Main thread: the job's progress moved to `fraction`.
    void jobProgressed(double fraction);

    NSWindow* __window = nullptr;
    int __movieDimensions = 0;
    bool __hasDependentInputs = false;
    QString mStatusText;
    QString mJobDevice; // " (llvmpipe, CPU)": what renders the running job, for the status line
    QString mLastMoviePath;
    bool mListening = false;
    bool mObservingComposition = false;
    // The file rows besides the composition's, observed for windowJobChanged.
    QList<USandboxInputFileController*> mObservedRows;
    // Reads the chosen composition's image inputs; a file that is no composition has none.
    void refreshImageInputs();
    // After a change of the image inputs from `previous`: each row gets the file last chosen
    // for its new input's name, or none. Without a composition before (settings being restored),
    // the rows keep their files as far as there are inputs for them.
    void followImageInputs(const QStringList& previous, bool hadComposition);
    // A new composition: clears what was left of the last one (a refusal in the status line,
    // the preview, the progress bar).
    void compositionChosen();
    // A job starts: clears the last job's progress, preview and Show in Folder.
    void clearLastJob();
    // Shows the render driver's progress and preview in the window's bar and image view (the
    // driver's outlets) and follows the progress in the status line.
    void connectJobDisplay();
    // The window's preview and progress bar; nil where the interface has none.
    NSImageView* previewView() const;
    NSProgressIndicator* progressBar() const;
    // A job ended: the memory its frames and threads freed goes back to the system.
    static void releaseJobMemory();
    QStringList mImageInputNames;
    bool mHasComposition = false; // mImageInputNames come from a chosen composition
    bool mStatusIsRefusal = false;
    struct ImageInputFile {
        NSRef<NSURL> url;
        std::optional<QByteArray> bookmark;
    };
    // The file last chosen for each image input's name, in this run.
    QHash<QString, ImageInputFile> mImageInputFiles;
    QElapsedTimer mJobTimer;
    quint64 mJobFrames = 0;
    QString mJobFileName;
    QString mJobUnboundNote;
    // A sentence for the status line when the sound lasts much longer than the job's video,
    // which some players then skip (empty when it does not).
    QString longSoundNote(const RenderJob& job) const;
    int mCustomMovieWidth = 1920;
    int mCustomMovieHeight = 1080;
    bool mQuitWhenJobEnds = false;
    // The value inputs of the composition read from `path` (none without a model), with the
    // values saved for that file.
    void followValueInputs(const QCCompositionModel* model, const QString& path);
    void saveCompositionInputValues();
    // Made on first use; shared so that this header need not know the type.
    mutable std::shared_ptr<CompositionInputValues> mInputValues;
    QString mInputValuesPath;
    QStringList mSoundInputNames;
};

int import_GKAppDelegate();
