// The window's side of the application delegate: the image rows that follow the chosen
// composition's inputs, what a new choice or a new job clears of the last one, and the memory a
// finished job gives back.

#include "app/window/GKAppDelegate.h"

#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSProgressIndicator.h"

#include <malloc.h>

bool GKAppDelegate::canChooseImageInput(int row) const {
    return isIdle() && row >= 0 && row < mImageInputNames.size();
}

void GKAppDelegate::followImageInputs(const QStringList& previous, bool hadComposition) {
    USandboxInputFileController* const rows[] = {outletQTZ1DependentInputController,
                                                 outletQTZ2DependentInputController,
                                                 outletQTZ3DependentInputController};
    if (hadComposition && previous == mImageInputNames)
        return;
    NSAutoreleasePool pool;
    // What each row held belongs to the input it fed.
    if (hadComposition) {
        for (int row = 0; row < 3 && row < previous.size(); ++row) {
            if (!rows[row])
                continue;
            if (NSURL* url = rows[row]->sandboxURL())
                mImageInputFiles.insert(previous[row],
                                        {NSRef<NSURL>(url), rows[row]->sandboxBookmarkData()});
            else
                mImageInputFiles.remove(previous[row]);
        }
    }
    for (int row = 0; row < 3; ++row) {
        USandboxInputFileController* controller = rows[row];
        if (!controller)
            continue;
        const bool feedsAnInput = row < mImageInputNames.size();
        if (!hadComposition && feedsAnInput)
            continue; // restored with the composition it was saved for
        const auto remembered = feedsAnInput ? mImageInputFiles.constFind(mImageInputNames[row])
                                             : mImageInputFiles.constEnd();
        if (remembered != mImageInputFiles.constEnd())
            controller->setSandboxURL_forSandboxBookmarkData(remembered->url.get(),
                                                             remembered->bookmark);
        else if (controller->sandboxURL() || controller->sandboxBookmarkData())
            controller->setSandboxBookmarkData(std::nullopt);
    }
}

void GKAppDelegate::compositionChosen() {
    if (mStatusIsRefusal)
        setStatusText(QString());
    if (isBusy() || !outletQuartzMovieRenderer)
        return;
    if (NSImageView* preview = previewView())
        preview->setImage(nullptr);
    if (NSProgressIndicator* progress = progressBar())
        progress->setDoubleValue(0.0);
}

void GKAppDelegate::clearLastJob() {
    if (!mLastMoviePath.isEmpty()) {
        willChangeValueForKey(QStringLiteral("hidesShowInFolder"));
        mLastMoviePath.clear();
        didChangeValueForKey(QStringLiteral("hidesShowInFolder"));
    }
    if (NSImageView* preview = previewView())
        preview->setImage(nullptr);
    if (NSProgressIndicator* progress = progressBar())
        progress->setDoubleValue(0.0);
}

NSImageView* GKAppDelegate::previewView() const {
    return outletQuartzMovieRenderer
               ? qobject_cast<NSImageView*>(outletQuartzMovieRenderer->outletImageView)
               : nullptr;
}

NSProgressIndicator* GKAppDelegate::progressBar() const {
    return outletQuartzMovieRenderer
               ? qobject_cast<NSProgressIndicator*>(outletQuartzMovieRenderer->outletProgress)
               : nullptr;
}

void GKAppDelegate::connectJobDisplay() {
    if (NSImageView* preview = previewView())
        connect(outletQuartzMovieRenderer, &QTZMovieRenderer::previewChanged, preview,
                &NSImageView::setImage);
    if (NSProgressIndicator* progress = progressBar()) {
        progress->setMinValue(0.0);
        progress->setMaxValue(1.0);
        connect(outletQuartzMovieRenderer, &QTZMovieRenderer::progressChanged, progress,
                &NSProgressIndicator::setDoubleValue);
    }
    connect(outletQuartzMovieRenderer, &QTZMovieRenderer::progressChanged, this,
            [this](double fraction) { jobProgressed(fraction); });
}

void GKAppDelegate::releaseJobMemory() {
    // The allocator keeps what the job's threads freed for later; between jobs nothing needs it.
    malloc_trim(0);
}
