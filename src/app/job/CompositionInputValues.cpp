#include "app/job/CompositionInputValues.h"

#include "platform/quartzcomposer/QCInputValues.h"

namespace {

using Model = QCCompositionModel;

int componentCount(Model::InputType type) {
    switch (type) {
    case Model::InputType::Point2D:
        return 2;
    case Model::InputType::Color:
        return 4;
    default:
        return 1;
    }
}

} // namespace

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
    for (int index = 0; index < componentCount(input.type); ++index)
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
}

void CompositionInputValues::clear() {
    mInputs.clear();
    mGiven.clear();
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
    const int index = indexOf(name);
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
}

QList<QPair<QString, QString>> CompositionInputValues::settings() const {
    QList<QPair<QString, QString>> values;
    for (std::size_t index = 0; index < mInputs.size(); ++index) {
        if (mGiven[index])
            values.append({mInputs[index].name, mGiven[index]->text});
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
