// Menu items, alerts and open panels as the window's menus and dialogs use them.

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace {

class Receiver : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE void actionChoose(NSObject*) { ++chosen; }
    int chosen = 0;
};

TEST(NSMenuItemTest, TheStateIsTheCheckMarkAndChoosingDoesNotFlipIt) {
    NSRef<Receiver> receiver = NSAdopt(new Receiver);
    NSRef<NSMenu> menu = NSAdopt(NSAllocInit<NSMenu>());
    NSRef<NSMenuItem> english = NSAdopt(NSAllocInit<NSMenuItem>());
    NSRef<NSMenuItem> german = NSAdopt(NSAllocInit<NSMenuItem>());
    for (NSMenuItem* item : {english.get(), german.get()}) {
        item->setTarget(receiver.get());
        item->setAction(QStringLiteral("actionChoose:"));
        menu->addItem(item);
    }
    english->setState(NSOnState);
    QWidget parent;
    menu->makeQMenu(&parent);
    QAction* englishAction = english->qAction(&parent);
    QAction* germanAction = german->qAction(&parent);
    EXPECT_TRUE(englishAction->isCheckable());
    EXPECT_TRUE(englishAction->isChecked());
    EXPECT_FALSE(germanAction->isChecked());

    // Choosing the ticked item again leaves the tick to the item's state.
    englishAction->trigger();
    EXPECT_EQ(receiver->chosen, 1);
    EXPECT_TRUE(englishAction->isChecked());
    english->setState(NSOffState);
    german->setState(NSOnState);
    EXPECT_FALSE(englishAction->isChecked());
    EXPECT_TRUE(germanAction->isChecked());
}

// The dialog lives above the alert's own library: the application object makes it the default
// presenter, which the alert here runs through.
TEST(NSAlertDialogTest, AWidgetApplicationsAlertIsADialogTitledWithItsDisplayName) {
    const QString previous = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lumenreel"));
    QString title;
    QStringList buttons;
    QTimer timer;
    const QDeadlineTimer deadline(std::chrono::seconds(30));
    timer.callOnTimeout([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && !deadline.hasExpired())
            return;
        timer.stop();
        if (!box) {
            ADD_FAILURE() << "the alert was not shown in time";
            return;
        }
        title = box->windowTitle();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        box->buttons().value(0)->click();
    });
    timer.start(20);
    NSAlert alert;
    alert.setMessageText(QStringLiteral("A movie is still being made."));
    alert.addButtonWithTitle(QStringLiteral("Stop and Quit"));
    alert.addButtonWithTitle(QStringLiteral("Cancel"));
    NSApplication::sharedApplication();
    NSAlert::setPresenter(nullptr);
    const NSModalResponse response = alert.runModal();
    QGuiApplication::setApplicationDisplayName(previous);
    EXPECT_EQ(title, QStringLiteral("Lumenreel"));
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_TRUE(response == NSAlertFirstButtonReturn || response == NSAlertSecondButtonReturn);
}

TEST(NSOpenPanelTest, APanelWithoutAStartFolderStartsWhereTheLastChoiceWas) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    NSUserDefaults::setStandardUserDefaultsFile(home.filePath(QStringLiteral("defaults.ini")));
    const QString scenes = home.filePath(QStringLiteral("scenes"));
    const QString sounds = home.filePath(QStringLiteral("sounds"));
    ASSERT_TRUE(QDir().mkpath(scenes) && QDir().mkpath(sounds));
    ASSERT_TRUE(QFile(scenes + QStringLiteral("/Aurora.fs")).open(QIODevice::WriteOnly));

    QStringList startedIn;
    QString choice;
    const NSOpenPanel::ModalRunner previous = NSOpenPanel::setModalRunner([&](NSOpenPanel* panel) {
        startedIn << (panel->directoryURL() ? panel->directoryURL()->path() : QString());
        if (choice.isEmpty())
            return NSFileHandlingPanelCancelButton;
        panel->setURLs({NSURL::fileURLWithPath(choice)});
        return NSFileHandlingPanelOKButton;
    });
    NSAutoreleasePool pool;
    const auto run = [](NSURL* start) {
        NSOpenPanel* panel = NSOpenPanel::openPanel();
        panel->setDirectoryURL(start);
        return panel->runModal();
    };
    choice = scenes + QStringLiteral("/Aurora.fs");
    EXPECT_EQ(run(nullptr), NSFileHandlingPanelOKButton);
    // The next panel without a start folder opens in the chosen file's folder; a cancelled one
    // changes nothing; a panel given a start folder keeps it.
    choice.clear();
    EXPECT_EQ(run(nullptr), NSFileHandlingPanelCancelButton);
    EXPECT_EQ(run(NSURL::fileURLWithPath(sounds, true)), NSFileHandlingPanelCancelButton);
    choice = sounds;
    EXPECT_EQ(run(nullptr), NSFileHandlingPanelOKButton);
    choice.clear();
    run(nullptr);
    // A folder that is gone is not offered.
    ASSERT_TRUE(QDir(sounds).removeRecursively());
    run(nullptr);
    EXPECT_EQ(startedIn, (QStringList{QString(), scenes, sounds, scenes, sounds, QString()}));

    NSOpenPanel::setModalRunner(previous);
    NSUserDefaults::setStandardUserDefaultsFile(QString());
}

} // namespace

#include "NSMenusAndDialogsTest.moc"
