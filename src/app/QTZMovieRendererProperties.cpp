// The render driver's properties and the names of its temporary files.

#include "app/QTZMovieRenderer.h"

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
    replaceRetained<NSURL>(mInputCompositionURL, nullptr);
    replaceRetained<NSURL>(mInputAudioMovieURL, nullptr);
    replaceRetained<QCRenderer>(mRenderer, nullptr);
    replaceRetained<NSOperationQueue>(mFlattenerQueue, nullptr);
}

NSObject* QTZMovieRenderer::init() {
    setIsRendering(false);
    setLastPercentUpdate(0xFFFFFFFFu);
    return this;
}

NSURL* QTZMovieRenderer::inputCompositionURL() const {
    std::lock_guard lock(mPropertyLock);
    return mInputCompositionURL;
}

void QTZMovieRenderer::setInputCompositionURL(NSURL* url) {
    std::lock_guard lock(mPropertyLock);
    replaceRetained(mInputCompositionURL, url);
}

NSURL* QTZMovieRenderer::inputAudioMovieURL() const {
    std::lock_guard lock(mPropertyLock);
    return mInputAudioMovieURL;
}

void QTZMovieRenderer::setInputAudioMovieURL(NSURL* url) {
    std::lock_guard lock(mPropertyLock);
    replaceRetained(mInputAudioMovieURL, url);
}

CompositionInputSettings QTZMovieRenderer::compositionInputs() const {
    std::lock_guard lock(mPropertyLock);
    return mCompositionInputs;
}

void QTZMovieRenderer::setCompositionInputs(const CompositionInputSettings& settings) {
    std::lock_guard lock(mPropertyLock);
    mCompositionInputs = settings;
}

QString QTZMovieRenderer::outputFinalMovieFile() const {
    std::lock_guard lock(mPropertyLock);
    return mOutputFinalMovieFile;
}

void QTZMovieRenderer::setOutputFinalMovieFile(const QString& path) {
    std::lock_guard lock(mPropertyLock);
    mOutputFinalMovieFile = path;
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

QSizeF QTZMovieRenderer::rendererSurfaceSizePixels() const {
    std::lock_guard lock(mPropertyLock);
    return mRendererSurfaceSizePixels;
}

void QTZMovieRenderer::setRendererSurfaceSizePixels(QSizeF size) {
    std::lock_guard lock(mPropertyLock);
    mRendererSurfaceSizePixels = size;
}

QString QTZMovieRenderer::inputCompositionPath() const {
    NSRef<NSURL> url(inputCompositionURL());
    if (!url)
        return {};
    NSURL* fileURL = url->filePathURL();
    return fileURL ? fileURL->path() : QString();
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

} // namespace

QString QTZMovieRenderer::outputTempVideoFile() const {
    const QString name = withExtensionReplaced(inputCompositionPath(), QStringLiteral("qt"));
    return name.isEmpty() ? QString() : USandboxTempFolder::tempFileForReadOnlyFilePath(name);
}

QString QTZMovieRenderer::outputTempMovieFile() const {
    const QString name = withExtensionReplaced(inputCompositionPath(), QStringLiteral("MooV"));
    return name.isEmpty() ? QString() : USandboxTempFolder::tempFileForReadOnlyFilePath(name);
}
