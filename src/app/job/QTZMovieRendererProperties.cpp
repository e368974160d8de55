// The render driver's properties and the names of its temporary files.

#include "app/job/QTZMovieRenderer.h"

#include "interface/USecuritySandbox/USandboxTempFolder.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/foundation/NSURL.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QFileInfo>

namespace {

template <class T>
void replaceRetained(T*& field, T* value) {
    if (value)
        value->retain();
    if (field)
        field->release();
    field = value;
}

} // namespace

QTZMovieRenderer::QTZMovieRenderer() = default;

QTZMovieRenderer::~QTZMovieRenderer() {
    replaceRetained<QMovieFlattenerQueueOp>(mFlattener, nullptr);
    replaceRetained<QCRenderer>(mRenderer, nullptr);
    replaceRetained<NSOperationQueue>(mFlattenerQueue, nullptr);
}

NSObject* QTZMovieRenderer::init() {
    setIsRendering(false);
    setLastPercentUpdate(0xFFFFFFFFu);
    return this;
}

RenderJob QTZMovieRenderer::job() const {
    std::lock_guard lock(mPropertyLock);
    return mJob;
}

void QTZMovieRenderer::setJob(RenderJob job) {
    changeJob([&](RenderJob& held) { held = std::move(job); });
}

NSURL* QTZMovieRenderer::inputCompositionURL() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.compositionURL.get();
}

void QTZMovieRenderer::setInputCompositionURL(NSURL* url) {
    changeJob([&](RenderJob& held) { held.compositionURL = NSRef<NSURL>(url); });
}

NSURL* QTZMovieRenderer::inputAudioMovieURL() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.soundMovieURL.get();
}

void QTZMovieRenderer::setInputAudioMovieURL(NSURL* url) {
    changeJob([&](RenderJob& held) { held.soundMovieURL = NSRef<NSURL>(url); });
}

QString QTZMovieRenderer::deliveryFormat() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.deliveryFormat;
}

void QTZMovieRenderer::setDeliveryFormat(const QString& name) {
    changeJob([&](RenderJob& held) { held.deliveryFormat = name; });
}

std::pair<std::int64_t, std::int64_t> QTZMovieRenderer::frameRange() const {
    std::lock_guard lock(mPropertyLock);
    return {mJob.firstFrame, mJob.lastFrame};
}

void QTZMovieRenderer::setFrameRange(std::int64_t first, std::int64_t last) {
    changeJob([&](RenderJob& held) {
        held.firstFrame = first;
        held.lastFrame = last;
    });
}

bool QTZMovieRenderer::soundInMovie() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.soundInMovie;
}

void QTZMovieRenderer::setSoundInMovie(bool included) {
    changeJob([&](RenderJob& held) { held.soundInMovie = included; });
}

bool QTZMovieRenderer::durationFromSound() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.durationFromSound;
}

void QTZMovieRenderer::setDurationFromSound(bool fromSound) {
    changeJob([&](RenderJob& held) { held.durationFromSound = fromSound; });
}

bool QTZMovieRenderer::loops() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.loop;
}

void QTZMovieRenderer::setLoops(bool loop) {
    changeJob([&](RenderJob& held) { held.loop = loop; });
}

bool QTZMovieRenderer::cutsSound() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.cutSound;
}

void QTZMovieRenderer::setCutsSound(bool cut) {
    changeJob([&](RenderJob& held) { held.cutSound = cut; });
}

QString QTZMovieRenderer::segmentComment() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.segmentComment;
}

void QTZMovieRenderer::setSegmentComment(const QString& text) {
    changeJob([&](RenderJob& held) { held.segmentComment = text; });
}

CompositionInputSettings QTZMovieRenderer::compositionInputs() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.inputs;
}

void QTZMovieRenderer::setCompositionInputs(const CompositionInputSettings& settings) {
    changeJob([&](RenderJob& held) { held.inputs = settings; });
}

QString QTZMovieRenderer::outputFinalMovieFile() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.finalMovieFile;
}

void QTZMovieRenderer::setOutputFinalMovieFile(const QString& path) {
    changeJob([&](RenderJob& held) { held.finalMovieFile = path; });
}

double QTZMovieRenderer::outputMovieDuration() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.durationSeconds;
}

void QTZMovieRenderer::setOutputMovieDuration(double seconds) {
    changeJob([&](RenderJob& held) { held.durationSeconds = seconds; });
}

std::uint32_t QTZMovieRenderer::framesPerSecond() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.framesPerSecond;
}

void QTZMovieRenderer::setFramesPerSecond(std::uint32_t framesPerSecond) {
    changeJob([&](RenderJob& held) { held.framesPerSecond = framesPerSecond; });
}

QSizeF QTZMovieRenderer::rendererSurfaceSizePixels() const {
    std::lock_guard lock(mPropertyLock);
    return mJob.sizePixels;
}

void QTZMovieRenderer::setRendererSurfaceSizePixels(QSizeF size) {
    changeJob([&](RenderJob& held) { held.sizePixels = size; });
}

QCRenderer* QTZMovieRenderer::renderer() const {
    std::lock_guard lock(mPropertyLock);
    return mRenderer;
}

void QTZMovieRenderer::setRenderer(QCRenderer* renderer) {
    QCRenderer* old = nullptr;
    {
        std::lock_guard lock(mPropertyLock);
        if (renderer)
            renderer->retain();
        old = mRenderer;
        mRenderer = renderer;
    }
    // The old renderer frees its OpenGL objects outside the lock.
    if (old)
        old->release();
}

NSOperationQueue* QTZMovieRenderer::flattenerQueue() const {
    std::lock_guard lock(mPropertyLock);
    return mFlattenerQueue;
}

void QTZMovieRenderer::setFlattenerQueue(NSOperationQueue* queue) {
    std::lock_guard lock(mPropertyLock);
    replaceRetained(mFlattenerQueue, queue);
}

QString QTZMovieRenderer::inputCompositionPath() const {
    return job().compositionPath();
}

namespace {

QString withExtensionReplaced(const QString& path, const QString& extension) {
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    return stem + QLatin1Char('.') + extension;
}

// The job's temporary file of `extension`, named after its composition.
QString temporaryFile(const QString& compositionPath, const QString& extension) {
    const QString name = withExtensionReplaced(compositionPath, extension);
    return name.isEmpty() ? QString() : USandboxTempFolder::tempFileForReadOnlyFilePath(name);
}

} // namespace

QString QTZMovieRenderer::outputTempVideoFile() const {
    return temporaryFile(inputCompositionPath(), QStringLiteral("qt"));
}

QString QTZMovieRenderer::outputTempMovieFile() const {
    return temporaryFile(inputCompositionPath(), QStringLiteral("MooV"));
}

QString QTZMovieRenderer::runningTempVideoFile() const {
    return temporaryFile(mRunningJob.compositionPath(), QStringLiteral("qt"));
}

QString QTZMovieRenderer::runningTempMovieFile() const {
    return temporaryFile(mRunningJob.compositionPath(), QStringLiteral("MooV"));
}
