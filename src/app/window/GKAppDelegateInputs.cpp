// The values the window gives the chosen composition's inputs, and where they are kept.

#include "app/window/GKAppDelegate.h"

#include "app/job/CompositionInputValues.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/quartzcomposer/QCCompositionModel.h"

#include <algorithm>

namespace {

// The user defaults' entry: composition file path -> {input name -> value as text}.
const QString& valuesKey() {
    static const QString key = QStringLiteral("compositionInputValues");
    return key;
}

} // namespace

const CompositionInputValues& GKAppDelegate::compositionInputValues() const {
    if (!mInputValues)
        mInputValues = std::make_shared<CompositionInputValues>();
    return *mInputValues;
}

void GKAppDelegate::followValueInputs(const QCCompositionModel* model, const QString& path) {
    compositionInputValues();
    mSoundInputNames.clear();
    mInputValuesPath = model ? path : QString();
    if (!model) {
        mInputValues->clear();
        emit compositionInputsChanged();
        return;
    }
    mInputValues->setInputs(*model);
    if (model->format == QCCompositionModel::Format::Shadertoy && model->soundChannel >= 0)
        mSoundInputNames.append(QStringLiteral("iChannel%1").arg(model->soundChannel));
    for (const QCCompositionModel::Input& input : model->inputs) {
        if (input.type == QCCompositionModel::InputType::Audio ||
            input.type == QCCompositionModel::InputType::AudioFFT)
            mSoundInputNames.append(input.name);
    }
    const QVariantMap saved =
        NSUserDefaults::standardUserDefaults()->objectForKey(valuesKey()).toMap();
    const QStringList leftOut = mInputValues->setFromVariantMap(saved.value(path).toMap());
    for (const QString& why : leftOut)
        NSLog("GKAppDelegate: a saved value of %@ is left out: %@\n", path, why);
    if (!leftOut.isEmpty())
        saveCompositionInputValues();
    emit compositionInputsChanged();
}

void GKAppDelegate::saveCompositionInputValues() {
    if (mInputValuesPath.isEmpty())
        return;
    NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
    QVariantMap saved = defaults->objectForKey(valuesKey()).toMap();
    const QVariantMap values = compositionInputValues().toVariantMap();
    if (values.isEmpty())
        saved.remove(mInputValuesPath);
    else
        saved.insert(mInputValuesPath, values);
    if (saved.isEmpty())
        defaults->removeObjectForKey(valuesKey());
    else
        defaults->setObject(saved, valuesKey());
}

bool GKAppDelegate::setCompositionInputValue(const QString& name, const QString& text) {
    if (isBusy()) {
        NSLog("GKAppDelegate: input %@ keeps its value while a job runs\n", name);
        return false;
    }
    compositionInputValues();
    const auto before = mInputValues->settings();
    QString error;
    if (!mInputValues->setValueText(name, text, &error)) {
        NSLog("GKAppDelegate: %@\n", error);
        return false;
    }
    if (mInputValues->settings() == before)
        return true;
    saveCompositionInputValues();
    emit compositionInputValuesChanged();
    emit windowJobChanged();
    return true;
}

void GKAppDelegate::makeCompositionInputConstant(const QString& name, double seconds) {
    if (isBusy())
        return;
    compositionInputValues();
    const auto before = mInputValues->settings();
    mInputValues->makeConstant(name, seconds);
    if (mInputValues->settings() == before)
        return;
    saveCompositionInputValues();
    emit compositionInputValuesChanged();
    emit windowJobChanged();
}

void GKAppDelegate::actionResetCompositionInputs(NSObject*) {
    if (isBusy())
        return;
    compositionInputValues();
    mInputValues->reset();
    saveCompositionInputValues();
    emit compositionInputValuesChanged();
    emit windowJobChanged();
}

void GKAppDelegate::fireCompositionInputEvent(const QString& name) {
    const CompositionInputValues::Input* input = compositionInputValues().inputNamed(name);
    if (!input || input->type != QCCompositionModel::InputType::Event) {
        NSLog("GKAppDelegate: the composition has no event input %@\n", name);
        return;
    }
    emit compositionInputEventFired(name);
}

bool GKAppDelegate::dragCompositionPoint(QPointF point) {
    using Model = QCCompositionModel;
    const std::vector<Model::Input>& inputs = compositionInputValues().inputs();
    const auto input = std::find_if(inputs.begin(), inputs.end(), [](const Model::Input& i) {
        return i.type == Model::InputType::Point2D;
    });
    if (input == inputs.end() || isBusy())
        return false;
    QCInputValue at{point.x(), point.y(), 0.0, 0.0};
    if (input->min && input->max) {
        for (int i = 0; i < 2; ++i)
            at[i] = (*input->min)[i] + at[i] * ((*input->max)[i] - (*input->min)[i]);
    } else {
        const QSizeF size = windowJob().sizePixels;
        at[0] *= size.width();
        at[1] *= size.height();
    }
    return setCompositionInputValue(input->name, compositionInputValueText(*input, at));
}
