#pragma once

#include "platform/appkit/NSControl.h"

#include <QVariant>

class QLocale;

// How a label shows a text longer than its width (the platform's values).
enum : int {
    NSLineBreakByClipping = 2,
    NSLineBreakByTruncatingHead = 3,
    NSLineBreakByTruncatingTail = 4,
    NSLineBreakByTruncatingMiddle = 5,
};

// What the end of the last edit of a number field did to the typed text.
enum class NSTextFieldNumberNotice {
    Taken = 1, // used as typed
    Rounded,   // rounded to `decimals` digits
    Clamped,   // brought into [minimum, maximum]
    Refused,   // not a number: the last value is back
};

// A label or an editable text field. With a number format (`numberFormat` true) it takes numbers
// only, shown with `decimals` digits after the separator of `numberLocale` (a locale name such as
// "de_DE"; empty for the C locale's point) and kept within [minimum, maximum]. Typed text is read
// in that locale, else with a point. Text that is no number puts the last value back; a number
// out of range is clamped and one with more digits rounded. The field then shows what happened:
// its colour changes and its tool tip says it (from the three formats, which an interface file
// may bind to translated texts), until the next edit is taken as typed.
//
// A truncating `lineBreakMode` shows a text too long for the label with an ellipsis at the head,
// tail or middle (in the middle of a path's folders where its file name fits), and the whole
// text as the tool tip (unless the view has one of its own).
//
// The binding "value" is the text, or the number with a number format. An edit ends with Return
// or when the field loses the focus; it then announces the new value and sends the action.
// Main thread only.
class NSTextField : public NSControl {
    Q_OBJECT
    NS_DECLARE_CLASS(NSTextField)
    Q_PROPERTY(QString stringValue READ stringValue WRITE setStringValue)
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue)
    Q_PROPERTY(QVariant value READ value WRITE setValue)
    Q_PROPERTY(bool editable READ isEditable WRITE setEditable)
    Q_PROPERTY(bool numberFormat READ hasNumberFormat WRITE setNumberFormat)
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int decimals READ decimals WRITE setDecimals)
    Q_PROPERTY(QString numberLocale READ numberLocale WRITE setNumberLocale)
    Q_PROPERTY(QString notANumberFormat READ notANumberFormat WRITE setNotANumberFormat)
    Q_PROPERTY(QString outOfRangeFormat READ outOfRangeFormat WRITE setOutOfRangeFormat)
    Q_PROPERTY(QString roundedFormat READ roundedFormat WRITE setRoundedFormat)
    Q_PROPERTY(int lineBreakMode READ lineBreakMode WRITE setLineBreakMode)
public:
    NSTextField();

    QString stringValue() const { return mText; }
    void setStringValue(const QString& text);
    double doubleValue() const;
    void setDoubleValue(double value);
    QVariant value() const;
    void setValue(const QVariant& value);

    bool isEditable() const { return mEditable; }
    void setEditable(bool editable) { mEditable = editable; }
    bool hasNumberFormat() const { return mNumberFormat; }
    void setNumberFormat(bool numbers) { mNumberFormat = numbers; }
    double minimum() const { return mMinimum; }
    void setMinimum(double minimum) { mMinimum = minimum; }
    double maximum() const { return mMaximum; }
    void setMaximum(double maximum) { mMaximum = maximum; }
    int decimals() const { return mDecimals; }
    void setDecimals(int decimals) { mDecimals = decimals; }
    QString numberLocale() const { return mNumberLocale; }
    // Shows the number again in the new locale.
    void setNumberLocale(const QString& name);
    // The tool tips of a changed number: %1 the typed text, %2 the value kept (not a number);
    // %1 typed, %2 and %3 the range, %4 the value used (out of range); %1 typed, %2 the value
    // used (rounded).
    QString notANumberFormat() const { return mNotANumberFormat; }
    void setNotANumberFormat(const QString& format);
    QString outOfRangeFormat() const { return mOutOfRangeFormat; }
    void setOutOfRangeFormat(const QString& format);
    QString roundedFormat() const { return mRoundedFormat; }
    void setRoundedFormat(const QString& format);
    int lineBreakMode() const { return mLineBreakMode; }
    void setLineBreakMode(int mode);

    // What the end of an edit does with `text`: false when a number format refuses it.
    bool finishEditing(const QString& text);
    // What the last edit of a number field did (taken before any edit).
    NSTextFieldNumberNotice numberNotice() const { return mNotice; }
    // The sentence that says it, in the current formats; empty for a number taken as typed.
    QString numberNoticeText() const;

protected:
    QWidget* makeControlWidget() override;
    QString displayedToolTip() const override;

private:
    QLocale locale() const;
    QString formatted(double number, int decimals) const;
    void showText();
    // Colours the field and sets its tool tip for the last edit's notice.
    void showNotice();

    QString mText;
    double mNumber = 0.0;
    bool mEditable = false;
    bool mNumberFormat = false;
    double mMinimum = -1e300;
    double mMaximum = 1e300;
    int mDecimals = 2;
    QString mNumberLocale;
    QString mNotANumberFormat =
        QStringLiteral("\u201c%1\u201d is not a number; the value stays %2.");
    QString mOutOfRangeFormat = QStringLiteral("%1 is outside %2 to %3; %4 is used.");
    QString mRoundedFormat = QStringLiteral("%1 was rounded to %2.");
    int mLineBreakMode = NSLineBreakByClipping;
    NSTextFieldNumberNotice mNotice = NSTextFieldNumberNotice::Taken;
    QString mTyped; // the text of the last edit
};

int import_NSTextField();
