// The controls driven the way a person drives them: real clicks and keys on their Qt widgets.

#include "platform/appkit/NSBinding.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSImageView.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSURL.h"

#include "common/NSImageOf.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The far end of actions and bindings.
class Settings : public NSObject {
    Q_OBJECT
    Q_PROPERTY(double frameRate READ frameRate WRITE setFrameRate)
    Q_PROPERTY(int preset MEMBER preset)
public:
    double frameRate() const { return mFrameRate; }
    // Keeps whole frames per second only, as a settings object may.
    void setFrameRate(double rate) { mFrameRate = std::round(rate); }
    Q_INVOKABLE void actionChanged(NSObject* sender) { senders.append(sender); }

    int preset = 0;
    QList<NSObject*> senders;

private:
    double mFrameRate = 30;
};

class NSControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        mWindow = NSAdopt(NSAllocInit<NSWindow>());
        mWindow->setFrame(NSMakeRect(0, 0, 300, 200), false);
        mSettings = NSAdopt(new Settings);
    }

    template <class T>
    NSRef<T> place(const NSRect& frame) {
        NSRef<T> control = NSAdopt(NSAllocInit<T>());
        control->setFrame(frame);
        mWindow->contentView()->addSubview(control.get());
        return control;
    }

    // An editable number field from `minimum` to `maximum` with `decimals` places.
    NSRef<NSTextField> numberField(double minimum, double maximum, int decimals) {
        NSRef<NSTextField> field = place<NSTextField>(NSMakeRect(10, 40, 80, 24));
        field->setEditable(true);
        field->setNumberFormat(true);
        field->setMinimum(minimum);
        field->setMaximum(maximum);
        field->setDecimals(decimals);
        return field;
    }

    void show() {
        mWindow->makeKeyAndOrderFront(nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow->widget(), 5000));
    }

    NSRef<NSWindow> mWindow;
    NSRef<Settings> mSettings;
};

TEST_F(NSControlsTest, ACheckBoxClickChangesItsStateThenSendsItsAction) {
    NSRef<NSButton> box = place<NSButton>(NSMakeRect(10, 10, 120, 24));
    box->setButtonType(QStringLiteral("switch"));
    box->setTitle(QStringLiteral("Loop"));
    box->setTarget(mSettings.get());
    box->setAction(QStringLiteral("actionChanged:"));
    show();
    // A disabled box neither changes nor sends.
    for (const bool enabled : {true, false}) {
        box->setEnabled(enabled);
        QTest::mouseClick(box->widget(), Qt::LeftButton, {}, QPoint(8, 12));
        EXPECT_EQ(box->state(), 1);
        EXPECT_EQ(mSettings->senders, QList<NSObject*>{box.get()});
    }
}

TEST_F(NSControlsTest, ANumberFieldSaysWhenItChangesOrRefusesWhatWasTyped) {
    NSRef<NSTextField> field = numberField(1, 600, 0);
    ASSERT_TRUE(
        NSBind(field.get(), QStringLiteral("value"), mSettings.get(), QStringLiteral("frameRate")));
    EXPECT_EQ(field->stringValue(), QStringLiteral("30"));
    show();
    auto* edit = qobject_cast<QLineEdit*>(field->widget());
    ASSERT_NE(edit, nullptr);
    const QColor plain = edit->palette().color(QPalette::Base);
    const auto type = [&](const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };

    // What was typed, the rate kept and shown, the notice and its tool tip; every notice but a
    // value taken as typed marks the field.
    struct Typed {
        const char* text;
        double kept;
        NSTextFieldNumberNotice notice;
        QString toolTip;
    };
    using enum NSTextFieldNumberNotice;
    const Typed rows[] = {
        {"29.97", 30, Rounded, "29.97 was rounded to 30."},
        {"0", 1, Clamped, "0 is outside 1 to 600; 1 is used."},
        {"-1", 1, Clamped, "-1 is outside 1 to 600; 1 is used."},
        {"999999", 600, Clamped, "999999 is outside 1 to 600; 600 is used."},
        {"fast", 600, Refused, "\u201cfast\u201d is not a number; the value stays 600."},
        {"25", 25, Taken, ""},
    };
    for (const Typed& row : rows) {
        type(QString::fromLatin1(row.text));
        EXPECT_EQ(mSettings->frameRate(), row.kept) << row.text;
        EXPECT_EQ(edit->text(), QString::number(row.kept)) << row.text;
        EXPECT_EQ(field->numberNotice(), row.notice) << row.text;
        EXPECT_EQ(edit->toolTip(), row.toolTip) << row.text;
        EXPECT_EQ(edit->palette().color(QPalette::Base) == plain, row.notice == Taken) << row.text;
    }

    // The settings object rounds; the field shows what it kept.
    field->setDecimals(1);
    type(QStringLiteral("24.6"));
    EXPECT_EQ(mSettings->frameRate(), 25.0);
    EXPECT_EQ(edit->text(), QStringLiteral("25.0"));
}

// Showing and reading a language's decimal comma, and the sentences in that language, are pinned
// by the window's tests of its number fields in each language.
TEST_F(NSControlsTest, ANumberFieldTakesAPointInAnyLanguageAndACommaOnlyInOnesThatUseIt) {
    NSRef<NSTextField> field = numberField(0, 86400, 2);
    for (const char* language : {"de_DE", "fr_FR"}) {
        field->setNumberLocale(QString::fromLatin1(language));
        EXPECT_TRUE(field->finishEditing(QStringLiteral("1.25"))) << language;
        EXPECT_DOUBLE_EQ(field->doubleValue(), 1.25) << language;
    }
    field->setNumberLocale(QString());
    EXPECT_FALSE(field->finishEditing(QStringLiteral("2,5")));
    EXPECT_DOUBLE_EQ(field->doubleValue(), 1.25);
}

TEST_F(NSControlsTest, ALongPathIsShortenedInTheMiddleAndWholeInTheToolTip) {
    NSRef<NSTextField> field = place<NSTextField>(NSMakeRect(10, 100, 260, 22));
    field->setLineBreakMode(NSLineBreakByTruncatingMiddle);
    const QString path = QStringLiteral(
        "/home/someone/Projects/Client work/2026/Summer campaign/shaders/SunsetWaves.fs");
    field->setStringValue(path);
    show();
    // That the file's name stays whole and the tool tip holds the path is pinned by the window's
    // layout test.
    auto* label = qobject_cast<QLabel*>(field->widget());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("/home"))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), 260);

    // Wide enough, the whole path shows; a tool tip of the view's own wins.
    mWindow->setFrame(NSMakeRect(0, 0, 1400, 200), false);
    field->setFrame(NSMakeRect(10, 100, 1200, 22));
    EXPECT_EQ(label->text(), path);
    field->setToolTip(QStringLiteral("The composition"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("The composition"));
}

TEST_F(NSControlsTest, APopUpChoiceWritesItsTagAndItemTitlesRenameTheItems) {
    NSRef<NSPopUpButton> popUp = place<NSPopUpButton>(NSMakeRect(10, 70, 150, 24));
    popUp->addItemWithTitle(QStringLiteral("640 x 480"), 0);
    popUp->addItemWithTitle(QStringLiteral("1280 x 720"), 8);
    popUp->addItemWithTitle(QStringLiteral("1920 x 1080"), 10);
    mSettings->preset = 10;
    ASSERT_TRUE(NSBind(popUp.get(), QStringLiteral("selectedTag"), mSettings.get(),
                       QStringLiteral("preset")));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 2);
    show();

    auto* box = qobject_cast<QComboBox*>(popUp->widget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentIndex(), 2);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(mSettings->preset, 8);
    EXPECT_FALSE(popUp->selectItemWithTag(99));
    EXPECT_EQ(popUp->titleOfSelectedItem(), QStringLiteral("1280 x 720"));

    // A shorter list of titles renames the first items only, keeping tags and the selection.
    EXPECT_EQ(popUp->itemTitles(), QStringLiteral("640 x 480|1280 x 720|1920 x 1080"));
    popUp->setValue_forKey(QStringLiteral("VGA|HD"), QStringLiteral("itemTitles"));
    EXPECT_EQ(popUp->itemTitles(), QStringLiteral("VGA|HD|1920 x 1080"));
    EXPECT_EQ(box->itemText(0), QStringLiteral("VGA"));
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(popUp->selectedTag(), 8);
    EXPECT_EQ(box->currentIndex(), 1);
}

TEST_F(NSControlsTest, TheProgressBarAndThePreviewShowTheirValues) {
    NSRef<NSProgressIndicator> progress = place<NSProgressIndicator>(NSMakeRect(10, 100, 200, 16));
    NSRef<NSImageView> preview = place<NSImageView>(NSMakeRect(220, 100, 40, 40));
    progress->setMinValue(0);
    progress->setMaxValue(1);
    progress->setDoubleValue(0.25);
    show();
    auto* bar = qobject_cast<QProgressBar*>(progress->widget());
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 250; }, 5000));
    progress->setDoubleValue(2.0);
    EXPECT_EQ(bar->value(), 1000);

    // A 20 x 10 picture, red on top and blue below, shown upright in the middle of the view.
    NSRef<NSImage> image =
        lumenreel::test::imageOf(lumenreel::test::twoBandPicture({20, 10}, 5, Qt::red, Qt::blue));
    preview->setImage(image.get());
    const QImage shown = preview->widget()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 16), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(20, 23), QColor(Qt::blue));
    // Around the picture the view draws nothing.
    EXPECT_NE(shown.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_NE(shown.pixelColor(2, 2), QColor(Qt::blue));
}

// Takes files dropped on a view, as the file rows' controllers do.
class DropTaker : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE bool chooseURL(NSURL* url) {
        taken << (url ? url->path() : QString());
        return url && url->path().endsWith(QStringLiteral(".fs"));
    }
    QStringList taken;
};

TEST_F(NSControlsTest, AFileDroppedOnAViewGoesToItsDropTarget) {
    NSRef<NSTextField> field = place<NSTextField>(NSMakeRect(10, 10, 200, 22));
    NSRef<DropTaker> taker = NSAdopt(new DropTaker);
    field->setFileDropTarget(taker.get());
    show();
    QWidget* widget = field->widget();
    ASSERT_TRUE(widget->acceptDrops());

    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(drop({QUrl::fromLocalFile(QStringLiteral("/tmp/Scene.fs"))}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))}));
    // Several files, or something that is no file, are not taken at all.
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QStringLiteral("/tmp/a.fs")),
                       QUrl::fromLocalFile(QStringLiteral("/tmp/b.fs"))}));
    EXPECT_FALSE(drop({QUrl(QStringLiteral("https://example.org/c.fs"))}));
    EXPECT_EQ(taker->taken, (QStringList{"/tmp/Scene.fs", "/tmp/notes.txt"}));
    // A disabled field takes nothing.
    field->setEnabled(false);
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QStringLiteral("/tmp/Other.fs"))}));
    EXPECT_EQ(taker->taken.size(), 2);
}

} // namespace

#include "NSControlsTest.moc"
