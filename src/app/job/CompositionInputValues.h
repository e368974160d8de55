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
    // As on a command line, "NAME@SECONDS" with a value sets a key (replacing the one at that
    // time) and a "sound:BAND[*GAIN][+OFFSET]" text has the input follow the sound; a constant
    // takes the place of keys and band, a band that of keys and constant, and a key that of a
    // constant and band.
    bool setValueText(const QString& name, const QString& text, QString* out_error);
    // How input `name` moves: its band's text ("sound:bass*2"), "keys" when it has keys, or
    // empty when it holds one value.
    QString motion(const QString& name) const;
    // The value of input `name` at `seconds`: that of its keys there, else value() (an input
    // that follows the sound shows its constant or default).
    QCInputValue valueAt(const QString& name, double seconds) const;
    // The times of input `name`'s keys, in order.
    std::vector<double> keyTimes(const QString& name) const;
    // Input `name` holds its value at `seconds` (that of its keys there, or its constant) from
    // now on, without keys or band.
    void makeConstant(const QString& name, double seconds);
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
    struct Motion {
        std::vector<std::pair<double, Given>> keys; // by time
        QString sound;                              // the band's text; empty: none
        bool isEmpty() const { return keys.empty() && sound.isEmpty(); }
    };
    std::vector<Motion> mMotion; // one per input
    int indexOf(const QString& name) const;
};
