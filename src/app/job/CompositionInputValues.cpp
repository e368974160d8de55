#include "app/job/CompositionInputValues.h"

#include "app/job/MovingInputs.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <algorithm>
#include <cmath>

using Model = QCCompositionModel;

QString compositionInputValueText(const Model::Input& input, const QCInputValue& value) {
    switch (input.type) {
    case Model::InputType::Event:
    case Model::InputType::Bool:
        return value[0] != 0.0 ? QStringLiteral("true") : QStringLiteral("false");
    case Model::InputType::Long:
        return QString::number(static_cast<qint64>(value[0]));
    default:
        break;
    }
    QStringList parts;
    // Seventeen significant digits give back the very double.
    for (int index = 0; index < QCInputComponentCount(input.type); ++index)
        parts.append(QString::number(value[static_cast<std::size_t>(index)], 'g', 17));
    return parts.join(QLatin1Char(','));
}

void CompositionInputValues::setInputs(const QCCompositionModel& model) {
    clear();
    for (const Input& input : model.inputs) {
        if (!input.isImage())
            mInputs.push_back(input);
    }
    mGiven.resize(mInputs.size());
    mMotion.resize(mInputs.size());
}

void CompositionInputValues::clear() {
    mInputs.clear();
    mGiven.clear();
    mMotion.clear();
}

int CompositionInputValues::indexOf(const QString& name) const {
    for (std::size_t index = 0; index < mInputs.size(); ++index) {
        if (mInputs[index].name == name)
            return static_cast<int>(index);
    }
    return -1;
}

const CompositionInputValues::Input* CompositionInputValues::inputNamed(const QString& name) const {
    const int index = indexOf(name);
    return index < 0 ? nullptr : &mInputs[static_cast<std::size_t>(index)];
}

QCInputValue CompositionInputValues::value(const QString& name) const {
    const int index = indexOf(name);
    if (index < 0)
        return {0.0, 0.0, 0.0, 0.0};
    const auto at = static_cast<std::size_t>(index);
    return mGiven[at] ? mGiven[at]->value : mInputs[at].value;
}

bool CompositionInputValues::isSet(const QString& name) const {
    const int index = indexOf(name);
    return index >= 0 && mGiven[static_cast<std::size_t>(index)].has_value();
}

bool CompositionInputValues::setValueText(const QString& name, const QString& text,
                                          QString* out_error) {
    const qsizetype atSign = name.indexOf(QLatin1Char('@'));
    const bool isKey = atSign >= 0;
    const int index = indexOf(isKey ? name.left(atSign) : name);
    if (index >= 0 && isMovingInputSetting(name, text)) {
        // Checked as a command line's are, for this input alone.
        const auto at = static_cast<std::size_t>(index);
        QCCompositionModel model;
        model.inputs.push_back(mInputs[at]);
        const std::optional<InputSettingsSplit> split =
            splitInputSettings(model, {{name, text}}, out_error);
        if (!split)
            return false;
        Motion& motion = mMotion[at];
        mGiven[at].reset();
        if (!isKey) {
            motion = Motion{{}, text.trimmed()};
            return true;
        }
        motion.sound.clear();
        const auto& [seconds, value] = split->moving.front().keys.front();
        std::erase_if(motion.keys, [&](const auto& key) { return key.first == seconds; });
        motion.keys.emplace_back(seconds, Given{text.trimmed(), value});
        std::sort(motion.keys.begin(), motion.keys.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return true;
    }
    if (isKey) {
        if (out_error)
            *out_error =
                QStringLiteral("the composition has no input \"%1\"").arg(name.left(atSign));
        return false;
    }
    if (index < 0) {
        if (out_error)
            *out_error = QStringLiteral("the composition has no input \"%1\"").arg(name);
        return false;
    }
    const auto at = static_cast<std::size_t>(index);
    const Input& input = mInputs[at];
    const std::optional<QCInputValue> parsed = QCParseInputValue(input, text, out_error);
    if (!parsed)
        return false;
    // An event's value lasts no longer than the frame it fires in; a job takes none.
    mMotion[at] = {};
    if (input.type == Model::InputType::Event || *parsed == input.value)
        mGiven[at].reset();
    else
        mGiven[at] = Given{text.trimmed(), *parsed};
    return true;
}

bool CompositionInputValues::setValue(const QString& name, const QCInputValue& value,
                                      QString* out_error) {
    const Input* input = inputNamed(name);
    if (!input) {
        if (out_error)
            *out_error = QStringLiteral("the composition has no input \"%1\"").arg(name);
        return false;
    }
    return setValueText(name, compositionInputValueText(*input, value), out_error);
}

void CompositionInputValues::reset() {
    for (std::optional<Given>& given : mGiven)
        given.reset();
    for (Motion& motion : mMotion)
        motion = {};
}

QString CompositionInputValues::motion(const QString& name) const {
    const int index = indexOf(name);
    if (index < 0)
        return QString();
    const Motion& motion = mMotion[static_cast<std::size_t>(index)];
    if (!motion.sound.isEmpty())
        return motion.sound;
    return motion.keys.empty() ? QString() : QStringLiteral("keys");
}

std::vector<double> CompositionInputValues::keyTimes(const QString& name) const {
    std::vector<double> times;
    if (const int index = indexOf(name); index >= 0) {
        for (const auto& key : mMotion[static_cast<std::size_t>(index)].keys)
            times.push_back(key.first);
    }
    return times;
}

QCInputValue CompositionInputValues::valueAt(const QString& name, double seconds) const {
    const int index = indexOf(name);
    if (index < 0 || mMotion[static_cast<std::size_t>(index)].keys.empty())
        return value(name);
    const auto at = static_cast<std::size_t>(index);
    MovingInput moving;
    moving.input = mInputs[at];
    for (const auto& [time, given] : mMotion[at].keys)
        moving.keys.emplace_back(time, given.value);
    return movingInputValueAt(moving, seconds, nullptr);
}

void CompositionInputValues::makeConstant(const QString& name, double seconds) {
    const int index = indexOf(name);
    if (index < 0)
        return;
    const QCInputValue value = valueAt(name, seconds);
    const bool keyed = !mMotion[static_cast<std::size_t>(index)].keys.empty();
    mMotion[static_cast<std::size_t>(index)] = {};
    if (keyed)
        setValue(name, value, nullptr);
}

QList<QPair<QString, QString>> CompositionInputValues::settings() const {
    QList<QPair<QString, QString>> values;
    for (std::size_t index = 0; index < mInputs.size(); ++index) {
        const QString& name = mInputs[index].name;
        if (!mMotion[index].sound.isEmpty())
            values.append({name, mMotion[index].sound});
        for (const auto& [seconds, given] : mMotion[index].keys)
            values.append(
                {name + QLatin1Char('@') + QString::number(seconds, 'g', 17), given.text});
        if (mGiven[index])
            values.append({name, mGiven[index]->text});
    }
    return values;
}

QVariantMap CompositionInputValues::toVariantMap() const {
    QVariantMap map;
    for (const auto& [name, text] : settings())
        map.insert(name, text);
    return map;
}

QStringList CompositionInputValues::setFromVariantMap(const QVariantMap& map) {
    QStringList leftOut;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        QString error;
        if (!entry.value().canConvert<QString>())
            error = QStringLiteral("input \"%1\": the saved value is no text").arg(entry.key());
        else
            setValueText(entry.key(), entry.value().toString(), &error);
        if (!error.isEmpty())
            leftOut.append(error);
    }
    return leftOut;
}
