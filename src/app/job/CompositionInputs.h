#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

struct QCCompositionModel;
class QCRenderer;

// What a job gives a composition's inputs besides their defaults: values by input name (as
// text, as a command line writes them) and files by input name (a still image or a movie).
struct CompositionInputSettings {
    QList<QPair<QString, QString>> values;
    QList<QPair<QString, QString>> files;

    bool isEmpty() const { return values.isEmpty() && files.isEmpty(); }
};

// The names of the inputs that take a file, in the order the composition declares them: ISF
// image inputs, or "iChannel0" to "iChannel3" of a Shadertoy composition.
QStringList compositionImageInputNames(const QCCompositionModel& model);

// Whether the composition listens to the job's sound (ISF audio or audioFFT inputs, the
// Shadertoy sound channel).
bool compositionHearsSound(const QCCompositionModel& model);

// The image inputs that the composition reads and that get no picture, neither from `settings`
// nor from the composition itself: they show transparent black. ISF image inputs without a
// file; the Shadertoy channels the shader mentions that its file binds nothing to.
QStringList compositionUnboundImageInputs(const QCCompositionModel& model,
                                          const CompositionInputSettings& settings);

// The one-line reason why `settings` do not fit `model` (an unknown name, a value of the wrong
// form or out of range, a file for an input that takes none), or an empty string.
QString compositionInputsProblem(const QCCompositionModel& model,
                                 const CompositionInputSettings& settings);

// The one-line reason why a still image given for an input cannot be shown: larger than a
// picture may be (16384 pixels a side, or more memory decoded than a picture may take), told
// from its header before anything renders; empty when every still image fits. Files that are
// not still images (movies) are not looked at here.
QString compositionStillImagesProblem(const CompositionInputSettings& settings);

// The largest pictures of a movie given to an input: at most 16384 pixels a side and 64 Mi
// pixels in all (8192 x 8192, 256 MB a picture in RGBA), for each picture is held several times
// on its way from the file to the composition.
inline constexpr int kFootageMaxSide = 16384;
inline constexpr long long kFootageMaxPixels = 8192LL * 8192LL;

// The one-line reason why a movie in `settings` (a file that is not a still image) has pictures
// larger than the above, or an empty string. Files that cannot be read are left to the job.
QString compositionFootageProblem(const CompositionInputSettings& settings);

// Feeds one job's renderer, frame by frame: the given values once, each bound image, the frame
// of each bound movie shown at the frame's time, and the job's sound to the inputs that listen
// to it (ISF audio and audioFFT inputs, the Shadertoy sound channel). Render thread only.
class CompositionInputFeed {
public:
    // Checks the settings, opens the files and the sound (`soundPath` may be empty; it is then
    // read along the frames, holding only the samples one frame shows, so that any frame of the
    // job's `durationSeconds` may come first). Nothing, with the one-line reason, when a setting
    // does not fit or a file cannot be read.
    static std::unique_ptr<CompositionInputFeed> create(const QCCompositionModel& model,
                                                        const CompositionInputSettings& settings,
                                                        const QString& soundPath,
                                                        double durationSeconds, QString* out_error);
    ~CompositionInputFeed();
    CompositionInputFeed(const CompositionInputFeed&) = delete;
    CompositionInputFeed& operator=(const CompositionInputFeed&) = delete;

    // Gives `renderer` what its inputs show at `seconds`. False, with the reason, when a movie
    // or the sound stops being readable.
    bool prepareFrame(QCRenderer* renderer, double seconds, QString* out_error);

private:
    struct Impl;
    explicit CompositionInputFeed(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};
