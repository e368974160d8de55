#pragma once

#include "platform/appkit/NSView.h"

#include <QColor>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class GKAppDelegate;
class PreviewEngine;
class QLabel;
class QPushButton;
class QScrollArea;

// A control for each input of the chosen composition that takes a value, made from its inputs
// whenever another composition is chosen: float a slider with a field (MIN to MAX), long a
// pop-up of its VALUES (by their LABELS) or a number box, bool a check box, event a button,
// color a colour well with alpha, point2D two fields; the sound inputs name the sound. Scrolls
// when the inputs do not fit; Reset gives every input its default. Each change goes to the
// delegate, which checks it as a command line's value is checked. Each input that takes a lasting
// value has a menu: one value, a key at the preview's time (the controls then set the key at the
// preview's time; as the preview plays they show the value at its time), or (float, long) follow
// a band of the sound, with a gain asked by the menu (or typed into a float's field as
// "sound:bass*2"). Main thread only.
class AppInputsPanel : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(AppInputsPanel)
    Q_PROPERTY(NSObject* outletAppDelegate READ appDelegateObject WRITE setAppDelegateObject)
public:
    AppInputsPanel();
    ~AppInputsPanel() override;

    GKAppDelegate* appDelegate() const { return mDelegate; }
    // Outlet, not retained.
    void setAppDelegate(GKAppDelegate* delegate);
    NSObject* appDelegateObject() const;
    void setAppDelegateObject(NSObject* delegate);

    // Asks for a colour with alpha, starting from `initial`, under `title`; nothing when the
    // person cancels. A colour dialog by default; tests script it.
    using ColorChooser =
        std::function<std::optional<QColor>(const QColor& initial, const QString& title)>;
    // Sets the chooser (the dialog again for an empty one); returns the one it replaces.
    static ColorChooser setColorChooser(ColorChooser chooser);
    // Asks for the gain of a followed band, starting from `initial`; nothing when the person
    // cancels. A number dialog by default; tests script it.
    using GainChooser = std::function<std::optional<double>(double initial, const QString& title)>;
    static GainChooser setGainChooser(GainChooser chooser);

    // The widget of input `name`'s control in `role` ("slider", "field", "popup", "number",
    // "check", "button", "well", "x", "y", "sound", "motion"), or of "reset"; null when there is
    // none. The motion menu's items are actions named "name.motion.constant", ".key", ".level",
    // ".bass", ".mid", ".treble" and ".gain".
    // Each carries the object name "name.role".
    QWidget* control(const QString& name, const QString& role = {}) const;

    void observeValueForKeyPath(const QString& keyPath, NSObject* object, const QVariantMap& change,
                                void* context) override;

protected:
    QWidget* makeWidget() override;

private:
    struct Row;
    // Makes the controls for the delegate's inputs anew.
    void rebuild();
    // Shows the delegate's values in the controls (without sending them back), the sound's
    // name, and whether they may be changed; `clockMoved`: only the keyed inputs' values at the
    // preview's new time, leaving alone a control that has the focus or is being dragged.
    void refresh(bool clockMoved = false);
    // Follows the clock of the preview the delegate's window has now.
    void followPreviewClock();
    void addRow(int index);
    void give(const QString& name, const QString& text);
    // The preview's time now; 0 without a preview.
    double previewTime() const;

    QPointer<GKAppDelegate> mDelegate;
    QPointer<QWidget> mRoot;
    QPointer<QScrollArea> mScroll;
    QPointer<QPushButton> mReset;
    QPointer<QLabel> mNone;
    QPointer<PreviewEngine> mClock;
    std::vector<Row> mRows;
    NSObject* mLanguageObserver = nullptr;
    bool mObservingIdle = false;
};

int import_AppInputsPanel();
