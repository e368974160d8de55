#pragma once

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>
#include <vector>

// The text that gives `input` the value `value` on a command line (`--set NAME=TEXT`): read
// back by QCParseInputValue it is that very value (numbers in full precision).
QString compositionInputValueText(const QCCompositionModel::Input& input,
                                  const QCInputValue& value);

// The values a person gives a composition's inputs that take one (event, bool, long, float,
// point2D, color), kept as the texts a command line would give and checked by the same parser,
// so that a job made from them renders what `--set` with those texts renders.
class CompositionInputValues {
public:
    using Input = QCCompositionModel::Input;

    // The inputs of `model` that take a value, each at its default.
    void setInputs(const QCCompositionModel& model);
    // No inputs.
    void clear();
    const std::vector<Input>& inputs() const { return mInputs; }
    const Input* inputNamed(const QString& name) const;

    // The value of input `name`: the one given, or its default.
    QCInputValue value(const QString& name) const;
    // Whether input `name` has a value other than its default.
    bool isSet(const QString& name) const;
    // Gives input `name` the value that `text` means on a command line. False, with the reason
    // (as a command line would tell it), when the text does not fit; the value stays.
    bool setValueText(const QString& name, const QString& text, QString* out_error);
    // Gives input `name` the value `value`, as the text compositionInputValueText() makes.
    bool setValue(const QString& name, const QCInputValue& value, QString* out_error);
    // Every input back at its default.
    void reset();

    // What a job gives the inputs: name and text of each value other than its default, in the
    // order the composition declares the inputs (events take no lasting value and are left out).
    QList<QPair<QString, QString>> settings() const;

    // The values other than their defaults as name -> text, for the settings file.
    QVariantMap toVariantMap() const;
    // Takes the values of `map` that fit the inputs; returns one line for each entry left out
    // (an input the composition no longer has, a text that does not fit any more).
    QStringList setFromVariantMap(const QVariantMap& map);

private:
    struct Given {
        QString text;
        QCInputValue value;
    };
    std::vector<Input> mInputs;
    std::vector<std::optional<Given>> mGiven; // one per input; none: the default
    int indexOf(const QString& name) const;
};
