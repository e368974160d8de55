#include "platform/appkit/NSTextField.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(NSTextField, NSControl)

int import_NSTextField() {
    return NSTextField::classObject() != nullptr ? 1 : 0;
}

NSTextField::NSTextField() = default;

void NSTextField::setStringValue(const QString& text) {
    mText = text;
    showText();
}

double NSTextField::doubleValue() const {
    bool ok = false;
    const double number = QLocale::c().toDouble(mText, &ok);
    return ok ? number : 0.0;
}

void NSTextField::setDoubleValue(double value) {
    if (!std::isfinite(value))
        value = 0.0;
    if (mNumberFormat)
        value = std::clamp(value, mMinimum, mMaximum);
    setStringValue(QLocale::c().toString(value, 'f', std::clamp(mDecimals, 0, 15)));
}

QVariant NSTextField::value() const {
    return mNumberFormat ? QVariant(doubleValue()) : QVariant(mText);
}

void NSTextField::setValue(const QVariant& value) {
    if (mNumberFormat)
        setDoubleValue(value.toDouble());
    else
        setStringValue(value.toString());
}

bool NSTextField::finishEditing(const QString& text) {
    if (mNumberFormat) {
        bool ok = false;
        const double number = QLocale::c().toDouble(text.trimmed(), &ok);
        if (!ok || !std::isfinite(number)) {
            showText();
            return false;
        }
        setDoubleValue(number);
    } else {
        setStringValue(text);
    }
    Q_EMIT userChangedValue(QStringLiteral("value"));
    sendAction();
    return true;
}

QWidget* NSTextField::makeControlWidget() {
    if (!mEditable) {
        auto* label = new QLabel(mText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    }
    auto* edit = new QLineEdit(mText);
    if (mNumberFormat)
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        if (edit->text() != mText)
            finishEditing(edit->text());
    });
    return edit;
}

void NSTextField::showText() {
    QWidget* shown = existingWidget();
    if (auto* label = qobject_cast<QLabel*>(shown))
        label->setText(mText);
    else if (auto* edit = qobject_cast<QLineEdit*>(shown); edit && edit->text() != mText)
        edit->setText(mText);
}
