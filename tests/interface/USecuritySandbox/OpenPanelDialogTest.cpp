// The open panel's own dialog (no scripted runner): the settings reach the Qt file dialog and
// the user's choice comes back as a granted URL.
#include "platform/appkit/NSOpenPanel.h"
#include "platform/foundation/NSURL.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

// Plays the user in the next modal file dialog: `act` runs on every tick while the dialog is up
// until it returns true. A dialog still open after the deadline is rejected and the test fails,
// so a user that never manages to answer cannot hang the suite.
void whenDialogOpens(std::function<bool(QFileDialog*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    const QDeadlineTimer deadline(std::chrono::seconds(60));
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog && act(dialog)) {
            timer->stop();
            timer->deleteLater();
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the file dialog was not answered in time";
            if (dialog)
                dialog->reject();
        }
    });
    timer->start();
}

} // namespace

TEST(OpenPanelDialog, ChosenFileComesBackGrantedAndCancelGivesNothing) {
    NSAutoreleasePool pool;
    QTemporaryDir dir;
    const QString root = QDir(dir.path()).canonicalPath();
    const QString file = root + "/Clock.qtz";
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));

    NSOpenPanel* panel = NSOpenPanel::openPanel();
    panel->setTitle("Choose a composition");
    panel->setDirectoryURL(NSURL::fileURLWithPath(root, true));
    panel->setAllowedFileTypes({"qtz", "txt"});
    QString title, directory;
    QStringList filters;
    whenDialogOpens([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        directory = dialog->directory().canonicalPath();
        filters = dialog->nameFilters();
        // Types the name into the name field, as a user does. (QFileDialog::selectFile writes
        // the field only while the field does not have the focus, and the field takes the
        // focus when the dialog is activated: a tick before the activation chose the file, one
        // after it never did, and the dialog stayed up.)
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name)
            return false;
        // The state that used to fail, every time: the field has the focus.
        if (!name->hasFocus()) {
            dialog->activateWindow();
            name->setFocus();
            return false;
        }
        name->setText(QFileInfo(file).fileName());
        if (dialog->selectedFiles() != QStringList{file})
            return false;
        QMetaObject::invokeMethod(dialog, "accept");
        return true;
    });
    ASSERT_EQ(panel->runModal(), NSFileHandlingPanelOKButton);
    EXPECT_EQ(title, QString("Choose a composition"));
    EXPECT_EQ(directory, root);
    EXPECT_EQ(filters, QStringList{"*.qtz *.txt"});
    ASSERT_EQ(panel->URLs().size(), 1);
    EXPECT_EQ(panel->URLs().first()->path(), file);
    EXPECT_TRUE(panel->URLs().first()->hasSecurityScope());

    whenDialogOpens([](QFileDialog* dialog) {
        dialog->reject();
        return true;
    });
    EXPECT_EQ(panel->runModal(), NSFileHandlingPanelCancelButton);
    EXPECT_TRUE(panel->URLs().isEmpty());
}
