#include "app/window/AppInputsPanel.h"

#include "app/window/AppInputControlValues.h"

#include "app/job/CompositionInputValues.h"
#include "app/job/MovingInputs.h"
#include "app/preview/PreviewEngine.h"
#include "app/window/GKAppDelegate.h"
#include "app/window/GKPreviewController.h"
#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/appkit/NSBeep.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

NS_IMPLEMENT_CLASS(AppInputsPanel, NSView, [](NSClass&) {})

int import_AppInputsPanel() {
    return (AppInputsPanel::classObject() != nullptr) & import_NSView();
}

namespace {

using namespace inputcontrols;
using Type = QCCompositionModel::InputType;

// Steps of a float's slider between its MIN and MAX.
constexpr int kSliderSteps = 1000;

QString text(const char* identifier, const char16_t* english) {
    return UILocalLanguageController::stringWithID(QString::fromLatin1(identifier),
                                                   QString::fromUtf16(english));
}

AppInputsPanel::ColorChooser& colorChooser() {
    static AppInputsPanel::ColorChooser chooser;
    return chooser;
}

std::optional<QColor> chooseColour(const QColor& initial, const QString& title) {
    if (colorChooser())
        return colorChooser()(initial, title);
    const QColor chosen =
        QColorDialog::getColor(initial, nullptr, title, QColorDialog::ShowAlphaChannel);
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
}

AppInputsPanel::GainChooser& gainChooser() {
    static AppInputsPanel::GainChooser chooser;
    return chooser;
}

std::optional<double> chooseGain(double initial, const QString& title) {
    if (gainChooser())
        return gainChooser()(initial, title);
    bool ok = false;
    const double gain = QInputDialog::getDouble(nullptr, title, title, initial, -1000.0, 1000.0, 2,
                                                &ok, Qt::WindowFlags(), 0.1);
    return ok ? std::optional<double>(gain) : std::nullopt;
}

} // namespace

struct AppInputsPanel::Row {
    QString name;
    Type type = Type::Float;
    bool isSound = false;
    QPointer<QSlider> slider;
    QPointer<QLineEdit> field;
    QPointer<QComboBox> popup;
    QPointer<QSpinBox> number;
    QPointer<QCheckBox> check;
    QPointer<QPushButton> button;
    QPointer<QToolButton> well;
    QPointer<QLineEdit> x;
    QPointer<QLineEdit> y;
    QPointer<QLabel> sound;
    QPointer<QToolButton> motion;
    QPointer<QAction> gain;
};

AppInputsPanel::AppInputsPanel() = default;

AppInputsPanel::~AppInputsPanel() {
    if (mDelegate && mObservingIdle)
        mDelegate->removeObserver(this, QStringLiteral("idle"));
    if (mLanguageObserver)
        NSNotificationCenter::defaultCenter()->removeObserver(mLanguageObserver);
}

AppInputsPanel::ColorChooser AppInputsPanel::setColorChooser(ColorChooser chooser) {
    return std::exchange(colorChooser(), std::move(chooser));
}

AppInputsPanel::GainChooser AppInputsPanel::setGainChooser(GainChooser chooser) {
    return std::exchange(gainChooser(), std::move(chooser));
}

NSObject* AppInputsPanel::appDelegateObject() const {
    return mDelegate;
}

void AppInputsPanel::setAppDelegateObject(NSObject* delegate) {
    setAppDelegate(qobject_cast<GKAppDelegate*>(delegate));
}

void AppInputsPanel::setAppDelegate(GKAppDelegate* delegate) {
    if (delegate == mDelegate)
        return;
    if (mDelegate) {
        if (mObservingIdle)
            mDelegate->removeObserver(this, QStringLiteral("idle"));
        disconnect(mDelegate, nullptr, this, nullptr);
    }
    mObservingIdle = false;
    mDelegate = delegate;
    if (delegate) {
        connect(delegate, &GKAppDelegate::compositionInputsChanged, this, &AppInputsPanel::rebuild);
        connect(delegate, &GKAppDelegate::compositionInputValuesChanged, this,
                [this] { refresh(); });
        // The sound's name and the locking while a job runs.
        connect(delegate, &GKAppDelegate::windowJobChanged, this, [this] { refresh(); });
        delegate->addObserver(this, QStringLiteral("idle"), NSKeyValueObservingOptionNew, nullptr);
        mObservingIdle = true;
    }
    if (!mLanguageObserver)
        mLanguageObserver = NSNotificationCenter::defaultCenter()->addObserverForName(
            QStringLiteral("UILocalLanguageControllerDidChangeLanguage"), nullptr,
            [this](NSNotification*) { rebuild(); });
    rebuild();
}

void AppInputsPanel::observeValueForKeyPath(const QString& keyPath, NSObject* object,
                                            const QVariantMap& change, void* context) {
    if (object == mDelegate && keyPath == QStringLiteral("idle")) {
        refresh();
        return;
    }
    NSView::observeValueForKeyPath(keyPath, object, change, context);
}

QWidget* AppInputsPanel::makeWidget() {
    auto* root = new QWidget;
    root->setAccessibleName(QStringLiteral("Inputs"));
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* scroll = new QScrollArea(root);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The card's white shows through.
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    column->addWidget(scroll, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* reset = new QPushButton(root);
    reset->setObjectName(QStringLiteral("reset"));
    connect(reset, &QPushButton::clicked, this, [this] {
        if (mDelegate)
            mDelegate->actionResetCompositionInputs(this);
    });
    bottom->addWidget(reset);
    column->addLayout(bottom);
    mRoot = root;
    mScroll = scroll;
    mReset = reset;
    rebuild();
    return root;
}

QWidget* AppInputsPanel::control(const QString& name, const QString& role) const {
    if (!mRoot)
        return nullptr;
    const QString objectName = role.isEmpty() ? name : name + QLatin1Char('.') + role;
    return mRoot->findChild<QWidget*>(objectName);
}

void AppInputsPanel::rebuild() {
    mRows.clear();
    if (!mScroll)
        return;
    if (QWidget* old = mScroll->takeWidget()) {
        // A field that loses its focus as it goes must not send its text to the next inputs.
        for (QWidget* control : old->findChildren<QWidget*>())
            control->disconnect(this);
        old->setParent(nullptr);
        old->deleteLater();
    }
    mReset->setText(text("app.inputs.reset", u"Reset"));
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 4, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);
    mScroll->setWidget(content);
    // The card's white shows through (setWidget has the content fill its background).
    content->setAutoFillBackground(false);
    if (mDelegate) {
        const CompositionInputValues& values = mDelegate->compositionInputValues();
        for (int index = 0; index < int(values.inputs().size()); ++index)
            addRow(index);
        const QStringList sounds = mDelegate->compositionSoundInputNames();
        for (const QString& name : sounds) {
            Row row;
            row.name = name;
            row.isSound = true;
            const int at = grid->rowCount();
            auto* label = new QLabel(name, content);
            label->setToolTip(name);
            grid->addWidget(label, at, 0);
            row.sound = new QLabel(content);
            row.sound->setObjectName(name + QStringLiteral(".sound"));
            row.sound->setTextInteractionFlags(Qt::NoTextInteraction);
            grid->addWidget(row.sound, at, 1);
            mRows.push_back(row);
        }
    }
    mNone = nullptr;
    if (mRows.empty()) {
        const bool chosen = mDelegate && mDelegate->outletQuartzCompositionInputController &&
                            mDelegate->outletQuartzCompositionInputController->sandboxURL();
        mNone = new QLabel(
            chosen ? text("app.inputs.none", u"The composition has no inputs to set.") : QString(),
            content);
        mNone->setWordWrap(true);
        mNone->setObjectName(QStringLiteral("none"));
        mNone->setEnabled(false);
        grid->addWidget(mNone, 0, 0, 1, 2);
    }
    grid->setRowStretch(grid->rowCount(), 1);
    mReset->setVisible(!mRows.empty());
    refresh();
}

void AppInputsPanel::addRow(int index) {
    auto* content = mScroll->widget();
    auto* grid = static_cast<QGridLayout*>(content->layout());
    const CompositionInputValues::Input& input =
        mDelegate->compositionInputValues().inputs()[std::size_t(index)];
    Row row;
    row.name = input.name;
    row.type = input.type;
    const QString name = input.name;
    const auto named = [&](QWidget* widget, const char* role) {
        widget->setObjectName(name + QLatin1Char('.') + QLatin1String(role));
        widget->setAccessibleName(name);
        widget->setToolTip(name);
    };
    const int at = grid->rowCount();
    auto* label = new QLabel(name, content);
    label->setToolTip(name);
    label->setMaximumWidth(80);
    grid->addWidget(label, at, 0);
    auto* cell = new QHBoxLayout;
    cell->setSpacing(4);
    grid->addLayout(cell, at, 1);

    switch (input.type) {
    case Type::Float: {
        row.slider = new QSlider(Qt::Horizontal, content);
        named(row.slider, "slider");
        row.slider->setRange(0, kSliderSteps);
        const auto [low, high] = sliderRange(input);
        row.slider->setEnabled(high > low);
        connect(row.slider, &QSlider::valueChanged, this, [this, name, low, high](int step) {
            const double value =
                step >= kSliderSteps
                    ? high
                    : std::clamp(low + (high - low) * double(step) / kSliderSteps, low, high);
            give(name, QString::number(value, 'g', 17));
        });
        row.field = new QLineEdit(content);
        named(row.field, "field");
        row.field->setFixedWidth(58);
        connect(row.field, &QLineEdit::editingFinished, this, [this, name, field = row.field] {
            if (field->text().trimmed().startsWith(QLatin1String("sound:"))) {
                give(name, field->text().trimmed());
                return;
            }
            const std::optional<double> number = typedNumber(field->text());
            if (!number) {
                NSBeep();
                refresh();
                return;
            }
            give(name, QString::number(*number, 'g', 17));
        });
        cell->addWidget(row.slider, 1);
        cell->addWidget(row.field);
        break;
    }
    case Type::Long:
        if (!input.values.empty()) {
            row.popup = new QComboBox(content);
            named(row.popup, "popup");
            for (std::size_t item = 0; item < input.values.size(); ++item)
                row.popup->addItem(item < input.labels.size() ? input.labels[item]
                                                              : QString::number(input.values[item]),
                                   input.values[item]);
            connect(row.popup, &QComboBox::activated, this, [this, name, popup = row.popup](int) {
                give(name, QString::number(popup->currentData().toInt()));
            });
            cell->addWidget(row.popup, 1);
        } else {
            row.number = new QSpinBox(content);
            named(row.number, "number");
            row.number->setRange(
                input.min ? int(std::max((*input.min)[0], double(std::numeric_limits<int>::min())))
                          : std::numeric_limits<int>::min(),
                input.max ? int(std::min((*input.max)[0], double(std::numeric_limits<int>::max())))
                          : std::numeric_limits<int>::max());
            row.number->setKeyboardTracking(false);
            connect(row.number, &QSpinBox::valueChanged, this,
                    [this, name](int value) { give(name, QString::number(value)); });
            cell->addWidget(row.number, 1);
        }
        break;
    case Type::Bool:
        row.check = new QCheckBox(content);
        named(row.check, "check");
        connect(row.check, &QCheckBox::toggled, this, [this, name](bool on) {
            give(name, on ? QStringLiteral("true") : QStringLiteral("false"));
        });
        cell->addWidget(row.check);
        cell->addStretch(1);
        break;
    case Type::Event:
        row.button = new QPushButton(text("app.inputs.fire", u"Fire"), content);
        named(row.button, "button");
        connect(row.button, &QPushButton::clicked, this, [this, name] {
            if (mDelegate)
                mDelegate->fireCompositionInputEvent(name);
        });
        cell->addWidget(row.button);
        cell->addStretch(1);
        break;
    case Type::Color:
        row.well = new QToolButton(content);
        named(row.well, "well");
        row.well->setIconSize(QSize(44, 16));
        row.well->setAutoRaise(false);
        connect(row.well, &QToolButton::clicked, this, [this, name] {
            if (!mDelegate)
                return;
            const QCInputValue now = mDelegate->compositionInputValues().value(name);
            const std::optional<QColor> chosen =
                chooseColour(colourOf(now), text("app.inputs.colour", u"Colour of %1").arg(name));
            if (!chosen)
                return;
            float red = 0, green = 0, blue = 0, alpha = 0;
            chosen->getRgbF(&red, &green, &blue, &alpha);
            if (const CompositionInputValues::Input* well =
                    mDelegate->compositionInputValues().inputNamed(name))
                give(name, compositionInputValueText(*well, {red, green, blue, alpha}));
        });
        cell->addWidget(row.well);
        cell->addStretch(1);
        break;
    case Type::Point2D:
        for (const char* axis : {"x", "y"}) {
            auto* field = new QLineEdit(content);
            named(field, axis);
            field->setPlaceholderText(QLatin1String(axis));
            const bool isX = axis[0] == 'x';
            connect(field, &QLineEdit::editingFinished, this, [this, name, field, isX] {
                const std::optional<double> number = typedNumber(field->text());
                if (!number || !mDelegate) {
                    NSBeep();
                    refresh();
                    return;
                }
                QCInputValue value = mDelegate->compositionInputValues().value(name);
                value[isX ? 0 : 1] = *number;
                give(name, QStringLiteral("%1,%2").arg(QString::number(value[0], 'g', 17),
                                                       QString::number(value[1], 'g', 17)));
            });
            (isX ? row.x : row.y) = field;
            cell->addWidget(field, 1);
        }
        break;
    case Type::Image:
    case Type::Audio:
    case Type::AudioFFT:
        break;
    }
    if (input.type != Type::Event) {
        // How the input moves: one value, keys, or a band of the sound.
        row.motion = new QToolButton(content);
        named(row.motion, "motion");
        row.motion->setPopupMode(QToolButton::InstantPopup);
        row.motion->setAutoRaise(true);
        auto* menu = new QMenu(row.motion);
        const auto action = [&](const char* role, const QString& title, auto&& then) {
            QAction* item = menu->addAction(title, this, then);
            item->setObjectName(name + QStringLiteral(".motion.") + QLatin1String(role));
            return item;
        };
        action("constant", text("app.inputs.constant", u"One value"),
               [this, name] { mDelegate->makeCompositionInputConstant(name, previewTime()); });
        action("key", text("app.inputs.key", u"Key at the preview's time"), [this, name] {
            const CompositionInputValues& values = mDelegate->compositionInputValues();
            const double seconds = previewTime();
            if (const CompositionInputValues::Input* keyed = values.inputNamed(name))
                give(name + QLatin1Char('@') + QString::number(seconds, 'g', 17),
                     compositionInputValueText(*keyed, values.valueAt(name, seconds)));
        });
        if (input.type == Type::Float || input.type == Type::Long) {
            menu->addSeparator();
            for (const auto& [band, title] :
                 {std::pair{"level", text("app.inputs.level", u"Follow the sound's level")},
                  std::pair{"bass", text("app.inputs.bass", u"Follow the bass")},
                  std::pair{"mid", text("app.inputs.mid", u"Follow the mids")},
                  std::pair{"treble", text("app.inputs.treble", u"Follow the treble")}})
                action(band, title, [this, name, band] {
                    // Another band keeps the gain and offset given to the one before.
                    std::optional<SoundFollowing> following =
                        parseSoundFollowing(mDelegate->compositionInputValues().motion(name));
                    const QString chosen = QStringLiteral("sound:") + QLatin1String(band);
                    if (following) {
                        following->band = parseSoundFollowing(chosen)->band;
                        give(name, soundFollowingText(*following));
                    } else {
                        give(name, chosen);
                    }
                });
            row.gain =
                action("gain", text("app.inputs.gain", u"Gain of the band\u2026"), [this, name] {
                    std::optional<SoundFollowing> following =
                        parseSoundFollowing(mDelegate->compositionInputValues().motion(name));
                    if (!following)
                        return;
                    const std::optional<double> gain = chooseGain(
                        following->gain, text("app.inputs.gainOf", u"Gain of %1").arg(name));
                    if (!gain)
                        return;
                    following->gain = *gain;
                    give(name, soundFollowingText(*following));
                });
        }
        row.motion->setMenu(menu);
        cell->addWidget(row.motion);
    }
    mRows.push_back(row);
}

double AppInputsPanel::previewTime() const {
    GKPreviewController* preview = GKPreviewController::controllerForDelegate(mDelegate);
    return preview && preview->engine() ? preview->engine()->time() : 0.0;
}

void AppInputsPanel::give(const QString& name, const QString& value) {
    if (!mDelegate)
        return;
    // A keyed input's control sets the key at the preview's time; a float's field also takes
    // a band with its gain ("sound:bass*2").
    QString given = name;
    if (!name.contains(QLatin1Char('@')) && !value.trimmed().startsWith(QLatin1String("sound:")) &&
        mDelegate->compositionInputValues().motion(name) == QLatin1String("keys"))
        given += QLatin1Char('@') + QString::number(previewTime(), 'g', 17);
    if (!mDelegate->setCompositionInputValue(given, value)) {
        NSBeep();
        refresh();
    }
}

void AppInputsPanel::followPreviewClock() {
    GKPreviewController* preview = GKPreviewController::controllerForDelegate(mDelegate);
    PreviewEngine* engine = preview ? preview->engine() : nullptr;
    if (engine == mClock)
        return;
    if (mClock)
        disconnect(mClock, nullptr, this, nullptr);
    mClock = engine;
    if (engine)
        connect(engine, &PreviewEngine::timeChanged, this, [this] { refresh(true); });
}

void AppInputsPanel::refresh(bool clockMoved) {
    if (!mDelegate || !mRoot)
        return;
    followPreviewClock();
    const bool idle = mDelegate->isIdle();
    const CompositionInputValues& values = mDelegate->compositionInputValues();
    NSURL* sound = mDelegate->outletAudioTrackInputController
                       ? mDelegate->outletAudioTrackInputController->sandboxURL()
                       : nullptr;
    for (Row& row : mRows) {
        if (row.isSound) {
            row.sound->setText(sound ? NSPath::lastPathComponent(sound->path())
                                     : text("app.inputs.noSound", u"No sound"));
            row.sound->setToolTip(sound ? sound->path() : QString());
            continue;
        }
        const CompositionInputValues::Input* input = values.inputNamed(row.name);
        if (!input)
            continue;
        const QString motion = values.motion(row.name);
        const bool follows = motion.startsWith(QLatin1String("sound:"));
        // As the preview plays, keyed controls show the value at its time; a control in use
        // keeps what the person is doing.
        if (clockMoved && motion != QLatin1String("keys"))
            continue;
        if (row.gain)
            row.gain->setEnabled(follows);
        const QCInputValue value = values.valueAt(row.name, previewTime());
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 row.slider, row.field, row.popup, row.number, row.check, row.button, row.well,
                 row.x, row.y, row.motion}) {
            if (!widget)
                continue;
            const QSignalBlocker quiet(widget);
            // Following the sound, only the field (its band and gain) and the menu change it.
            const bool fixed = follows && widget != row.field && widget != row.motion;
            widget->setEnabled(
                idle && !fixed &&
                (widget != row.slider || sliderRange(*input).second > sliderRange(*input).first));
        }
        if (row.motion) {
            row.motion->setText(follows            ? QStringLiteral("\u266A")
                                : motion.isEmpty() ? QStringLiteral("\u2022")
                                                   : QStringLiteral("\u25C6"));
            row.motion->setToolTip(
                follows            ? motion
                : motion.isEmpty() ? text("app.inputs.constant", u"One value")
                                   : text("app.inputs.keys", u"Keys at %1 s")
                                         .arg(QStringList([&] {
                                                  QStringList times;
                                                  for (const double t : values.keyTimes(row.name))
                                                      times.append(numberText(t));
                                                  return times;
                                              }())
                                                  .join(QStringLiteral(", "))));
        }
        const QSignalBlocker quietSlider(row.slider);
        const QSignalBlocker quietPopup(row.popup);
        const QSignalBlocker quietNumber(row.number);
        const QSignalBlocker quietCheck(row.check);
        const auto inUse = [clockMoved](QWidget* widget) {
            return clockMoved && widget && widget->hasFocus();
        };
        if (row.slider && !(clockMoved && row.slider->isSliderDown())) {
            const auto [low, high] = sliderRange(*input);
            const double fraction = high > low ? (value[0] - low) / (high - low) : 0.0;
            row.slider->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * kSliderSteps)));
        }
        if (row.field && !inUse(row.field))
            row.field->setText(follows ? motion : numberText(value[0]));
        if (row.popup)
            row.popup->setCurrentIndex(row.popup->findData(int(value[0])));
        if (row.number)
            row.number->setValue(int(value[0]));
        if (row.check)
            row.check->setChecked(value[0] != 0.0);
        if (row.well) {
            row.well->setIcon(swatch(colourOf(value), row.well->iconSize()));
            row.well->setToolTip(
                QStringLiteral("%1: %2").arg(row.name, compositionInputValueText(*input, value)));
        }
        if (row.x && !inUse(row.x))
            row.x->setText(numberText(value[0]));
        if (row.y && !inUse(row.y))
            row.y->setText(numberText(value[1]));
    }
    if (mReset)
        mReset->setEnabled(idle && !values.settings().isEmpty());
}
