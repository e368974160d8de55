// The window's timing of the movie (as long as the sound, a loop, the sound cut at the video's
// end) and its custom size: views onto the render driver's job, kept with the settings.

#include "app/window/GKAppDelegate.h"

#include "app/job/RenderPresets.h"
#include "app/job/RenderTiming.h"
#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/foundation/NSLog.h"

void GKAppDelegate::addTimingClassMethods(NSClass& cls) {
    const QSet<QString> timing{
        QStringLiteral("compositionMovieDurationFromSound"), QStringLiteral("compositionMovieLoop"),
        QStringLiteral("compositionMovieCutSound"), QStringLiteral("customMovieWidth"),
        QStringLiteral("customMovieHeight")};
    const QSet<QString> others =
        cls.perform(QStringLiteral("persistentObjectKeyPaths")).value<QSet<QString>>();
    cls.addClassMethod(QStringLiteral("persistentObjectKeyPaths"),
                       [keys = others + timing](Class) { return QVariant::fromValue(keys); });
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingCanEditDuration"), [](Class) {
        return QVariant::fromValue(QSet<QString>{
            QStringLiteral("idle"), QStringLiteral("compositionMovieDurationFromSound")});
    });
    cls.addClassMethod(QStringLiteral("keyPathsForValuesAffectingHidesCustomSize"), [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("movieDimensions")});
    });
}

bool GKAppDelegate::compositionMovieDurationFromSound() const {
    return outletQuartzMovieRenderer && outletQuartzMovieRenderer->durationFromSound();
}

void GKAppDelegate::setCompositionMovieDurationFromSound(bool fromSound) {
    if (!outletQuartzMovieRenderer || fromSound == compositionMovieDurationFromSound())
        return;
    outletQuartzMovieRenderer->setDurationFromSound(fromSound);
    emit windowJobChanged();
}

bool GKAppDelegate::compositionMovieLoop() const {
    return outletQuartzMovieRenderer && outletQuartzMovieRenderer->loops();
}

void GKAppDelegate::setCompositionMovieLoop(bool loop) {
    if (!outletQuartzMovieRenderer || loop == compositionMovieLoop())
        return;
    outletQuartzMovieRenderer->setLoops(loop);
    emit windowJobChanged();
}

bool GKAppDelegate::compositionMovieCutSound() const {
    return outletQuartzMovieRenderer && outletQuartzMovieRenderer->cutsSound();
}

void GKAppDelegate::setCompositionMovieCutSound(bool cut) {
    if (!outletQuartzMovieRenderer || cut == compositionMovieCutSound())
        return;
    outletQuartzMovieRenderer->setCutsSound(cut);
    emit windowJobChanged();
}

namespace {

bool isCustomSide(int pixels) {
    return pixels >= kMovieDimensionCustomMinSide && pixels <= kMovieDimensionCustomMaxSide;
}

} // namespace

void GKAppDelegate::setCustomMovieWidth(int width) {
    if (!isCustomSide(width)) {
        NSLog("GKAppDelegate: a width of %d pixels cannot be used (%d to %d); it stays %d\n", width,
              kMovieDimensionCustomMinSide, kMovieDimensionCustomMaxSide, mCustomMovieWidth);
        return;
    }
    mCustomMovieWidth = width;
    if (movieDimensions() == kMovieDimensionCustom)
        setCompositionMovieDimensions(movieDimensionsForIndex(kMovieDimensionCustom));
}

void GKAppDelegate::setCustomMovieHeight(int height) {
    if (!isCustomSide(height)) {
        NSLog("GKAppDelegate: a height of %d pixels cannot be used (%d to %d); it stays %d\n",
              height, kMovieDimensionCustomMinSide, kMovieDimensionCustomMaxSide,
              mCustomMovieHeight);
        return;
    }
    mCustomMovieHeight = height;
    if (movieDimensions() == kMovieDimensionCustom)
        setCompositionMovieDimensions(movieDimensionsForIndex(kMovieDimensionCustom));
}

bool GKAppDelegate::hidesCustomSize() const {
    return movieDimensions() != kMovieDimensionCustom;
}

QSizeF GKAppDelegate::movieDimensionsForIndex(int index) const {
    if (index == kMovieDimensionCustom)
        return QSizeF(mCustomMovieWidth, mCustomMovieHeight);
    return movieDimensionsForPreset(index);
}

QString GKAppDelegate::longSoundNote(const RenderJob& job) const {
    const QString cure = UILocalLanguageController::stringWithID(
        QStringLiteral("app.timing.cutSound"),
        QStringLiteral("\u201cCut the sound at the movie's end\u201d"));
    const QString warning = longSoundWarning(job, cure);
    if (warning.isEmpty())
        return {};
    return QStringLiteral(" ") +
           UILocalLanguageController::stringWithID(QStringLiteral("app.status.longSound"),
                                                   QStringLiteral("Note: %1."))
               .arg(warning);
}
