#pragma once

#include "platform/appkit/NSControl.h"

#include <QVariant>

// A label or an editable text field. With a number format (`numberFormat` true) it takes numbers
// only, shown with `decimals` digits after the point and kept within [minimum, maximum]: text
// that is no number puts the last value back. The binding "value" is the text, or the number
// with a number format. An edit ends with Return or when the field loses the focus; it then
// announces the new value and sends the action. Main thread only.
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

    // What the end of an edit does with `text`: false when a number format refuses it.
    bool finishEditing(const QString& text);

protected:
    QWidget* makeControlWidget() override;

private:
    void showText();

    QString mText;
    bool mEditable = false;
    bool mNumberFormat = false;
    double mMinimum = -1e300;
    double mMaximum = 1e300;
    int mDecimals = 2;
};

int import_NSTextField();
