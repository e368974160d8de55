#include "platform/appkit/NSTextField.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <optional>

NS_IMPLEMENT_CLASS(NSTextField, NSControl)

int import_NSTextField() {
    return NSTextField::classObject() != nullptr ? 1 : 0;
}

namespace {

Qt::TextElideMode elideMode(int lineBreakMode) {
    switch (lineBreakMode) {
    case NSLineBreakByTruncatingHead:
        return Qt::ElideLeft;
    case NSLineBreakByTruncatingTail:
        return Qt::ElideRight;
    case NSLineBreakByTruncatingMiddle:
        return Qt::ElideMiddle;
    default:
        return Qt::ElideNone;
    }
}

// A label that shows its text shortened with an ellipsis where it does not fit.
class NSTextFieldLabel : public QLabel {
public:
    NSTextFieldLabel() { setTextFormat(Qt::PlainText); }

    void setFullText(const QString& text, Qt::TextElideMode mode) {
        mFull = text;
        mMode = mode;
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            elide();
    }

private:
    void elide() {
        const int width = contentsRect().width();
        QString shown = mFull;
        if (mMode == Qt::ElideMiddle)
            shown = elidedPath(fontMetrics(), mFull, width);
        else if (mMode != Qt::ElideNone)
            shown = fontMetrics().elidedText(mFull, mMode, width);
        if (shown != text())
            setText(shown);
    }

    // A path shortened in the middle of its folders, so that the file's name stays whole where
    // it fits; other texts in their middle.
    static QString elidedPath(const QFontMetrics& metrics, const QString& text, int width) {
        if (metrics.horizontalAdvance(text) <= width)
            return text;
        const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
        if (slash > 0) {
            const QString name = text.mid(slash);
            const int room = width - metrics.horizontalAdvance(name);
            const QString folders = metrics.elidedText(text.left(slash), Qt::ElideMiddle, room);
            if (room > 0 && !folders.isEmpty())
                return folders + name;
        }
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    }

    QString mFull;
    Qt::TextElideMode mMode = Qt::ElideNone;
};

double roundedTo(double number, int decimals) {
    const double scale = std::pow(10.0, std::clamp(decimals, 0, 15));
    const double rounded = std::round(number * scale) / scale;
    return std::isfinite(rounded) ? rounded : number;
}

} // namespace

NSTextField::NSTextField() = default;

QLocale NSTextField::locale() const {
    QLocale numbers = mNumberLocale.isEmpty() ? QLocale::c() : QLocale(mNumberLocale);
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    return numbers;
}

QString NSTextField::formatted(double number, int decimals) const {
    return locale().toString(number, 'f', decimals);
}

void NSTextField::setStringValue(const QString& text) {
    mText = text;
    if (mNumberFormat) {
        bool ok = false;
        const double number = locale().toDouble(text.trimmed(), &ok);
        mNumber = ok && std::isfinite(number) ? number : 0.0;
    }
    showText();
}

double NSTextField::doubleValue() const {
    if (mNumberFormat)
        return mNumber;
    bool ok = false;
    const double number = QLocale::c().toDouble(mText, &ok);
    return ok ? number : 0.0;
}

void NSTextField::setDoubleValue(double value) {
    if (!std::isfinite(value))
        value = 0.0;
    const int decimals = std::clamp(mDecimals, 0, 15);
    if (mNumberFormat)
        value = roundedTo(std::clamp(value, mMinimum, mMaximum), decimals);
    mNumber = value;
    mText = formatted(value, decimals);
    showText();
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

void NSTextField::setNumberLocale(const QString& name) {
    mNumberLocale = name;
    if (mNumberFormat)
        setDoubleValue(mNumber);
    refreshToolTip();
}

void NSTextField::setNotANumberFormat(const QString& format) {
    mNotANumberFormat = format;
    refreshToolTip();
}

void NSTextField::setOutOfRangeFormat(const QString& format) {
    mOutOfRangeFormat = format;
    refreshToolTip();
}

void NSTextField::setRoundedFormat(const QString& format) {
    mRoundedFormat = format;
    refreshToolTip();
}

void NSTextField::setLineBreakMode(int mode) {
    mLineBreakMode = mode;
    showText();
}

bool NSTextField::finishEditing(const QString& text) {
    if (!mNumberFormat) {
        setStringValue(text);
        Q_EMIT userChangedValue(QStringLiteral("value"));
        sendAction();
        return true;
    }
    mTyped = text.trimmed();
    // The field's language first; a point is understood in every language.
    bool ok = false;
    double number = locale().toDouble(mTyped, &ok);
    if (!ok)
        number = QLocale::c().toDouble(mTyped, &ok);
    if (!ok || !std::isfinite(number)) {
        mNotice = NSTextFieldNumberNotice::Refused;
        showText();
        showNotice();
        return false;
    }
    const double inRange = std::clamp(number, mMinimum, mMaximum);
    const double used = roundedTo(inRange, mDecimals);
    if (inRange != number)
        mNotice = NSTextFieldNumberNotice::Clamped;
    else if (std::abs(used - number) > 1e-9 * std::max(1.0, std::abs(number)))
        mNotice = NSTextFieldNumberNotice::Rounded;
    else
        mNotice = NSTextFieldNumberNotice::Taken;
    setDoubleValue(number);
    showNotice();
    Q_EMIT userChangedValue(QStringLiteral("value"));
    sendAction();
    return true;
}

QString NSTextField::numberNoticeText() const {
    const QLocale numbers = locale();
    switch (mNotice) {
    case NSTextFieldNumberNotice::Refused:
        return mNotANumberFormat.arg(mTyped, mText);
    case NSTextFieldNumberNotice::Clamped:
        return mOutOfRangeFormat.arg(
            mTyped, numbers.toString(mMinimum, 'g', QLocale::FloatingPointShortest),
            numbers.toString(mMaximum, 'g', QLocale::FloatingPointShortest), mText);
    case NSTextFieldNumberNotice::Rounded:
        return mRoundedFormat.arg(mTyped, mText);
    case NSTextFieldNumberNotice::Taken:
        break;
    }
    return {};
}

QString NSTextField::displayedToolTip() const {
    if (mNotice != NSTextFieldNumberNotice::Taken)
        return numberNoticeText();
    if (toolTip().isEmpty() && elideMode(mLineBreakMode) != Qt::ElideNone)
        return mText;
    return toolTip();
}

QWidget* NSTextField::makeControlWidget() {
    if (!mEditable) {
        auto* label = new NSTextFieldLabel;
        label->setFullText(mText, elideMode(mLineBreakMode));
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
    if (auto* label = dynamic_cast<NSTextFieldLabel*>(shown))
        label->setFullText(mText, elideMode(mLineBreakMode));
    else if (auto* edit = qobject_cast<QLineEdit*>(shown); edit && edit->text() != mText)
        edit->setText(mText);
    if (elideMode(mLineBreakMode) != Qt::ElideNone)
        refreshToolTip();
}

void NSTextField::showNotice() {
    refreshToolTip();
    QWidget* shown = existingWidget();
    if (!shown)
        return;
    if (mNotice == NSTextFieldNumberNotice::Taken) {
        shown->setPalette(QPalette());
        return;
    }
    // A refused text in red, a changed number in amber.
    QPalette marked = shown->palette();
    marked.setColor(QPalette::Base, mNotice == NSTextFieldNumberNotice::Refused
                                        ? QColor(255, 205, 205)
                                        : QColor(255, 232, 170));
    shown->setPalette(marked);
}
