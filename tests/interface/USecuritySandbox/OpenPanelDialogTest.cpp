// The open panel's own dialog (no scripted runner): the settings reach the Qt file dialog and
// the user's choice comes back as a granted URL.
#include "platform/appkit/NSOpenPanel.h"
#include "platform/foundation/NSURL.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Plays the user in the next modal file dialog.
void whenDialogOpens(std::function<void(QFileDialog*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
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
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_EQ(panel->runModal(), NSFileHandlingPanelOKButton);
    EXPECT_EQ(title, QString("Choose a composition"));
    EXPECT_EQ(directory, root);
    EXPECT_EQ(filters, QStringList{"*.qtz *.txt"});
    ASSERT_EQ(panel->URLs().size(), 1);
    EXPECT_EQ(panel->URLs().first()->path(), file);
    EXPECT_TRUE(panel->URLs().first()->hasSecurityScope());

    whenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(panel->runModal(), NSFileHandlingPanelCancelButton);
    EXPECT_TRUE(panel->URLs().isEmpty());
}
