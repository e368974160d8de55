// One launch of a sandboxed program that keeps a folder and an input file across launches:
//   sandbox_relaunch_helper <defaults.ini> pick <folder> <file>   the user picks both; quits
//   sandbox_relaunch_helper <defaults.ini> restore                 prints what came back; quits
// Prints "folder=<path>", "folderDisplay=<text>", "input=<path>" and "open=<paths with access>".
#include "SandboxTestSupport.h"

#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"
#include "interface/USecuritySandbox/USandboxStandardFolders.h"
#include "interface/USecuritySandboxControllers/USandboxFolderController.h"
#include "interface/USecuritySandboxControllers/USandboxInputFileController.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

// Owns the input row as the application delegate does and persists its bookmark.
class RelaunchOwner : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(RelaunchOwner)
    Q_PROPERTY(USandboxInputFileController* outletInput MEMBER mInput)
public:
    USandboxInputFileController* mInput = nullptr;
};
NS_IMPLEMENT_CLASS(RelaunchOwner, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(
            QSet<QString>{QStringLiteral("outletInput.sandboxBookmarkData")});
    });
})

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    NSUserDefaults::setStandardUserDefaultsFile(args[1]);
    NSAutoreleasePool pool;

    // What the interface file makes: the output folder with its controller, an input row.
    NSRef<USandboxUserFolder> folder =
        NSAdopt<USandboxUserFolder>(NSAllocInit<USandboxMoviesFolder>());
    NSRef<USandboxFolderController> controller = NSAdopt(new USandboxFolderController);
    controller->setOutletRequiredPrefsFolder(folder.get());
    NSRef<USandboxInputFileController> input = NSAdopt(new USandboxInputFileController);
    input->setOutletSandboxUserFolder(folder.get());
    input->awakeFromNib();
    NSRef<RelaunchOwner> owner = NSAdopt(new RelaunchOwner);
    owner->mInput = input.get();
    controller->awakeFromNib();
    PersistentObjectsController::persistentObjectLoadData(owner.get());

    if (args[2] == QLatin1String("pick") && args.size() == 5) {
        QString answer = args[3];
        sandbox_test::ScriptedOpenPanel panel([&] { return answer; });
        controller->browseForFolder(nullptr);
        answer = args[4];
        input->actionBrowseInputPath(nullptr);
    } else if (args[2] != QLatin1String("restore")) {
        return 2;
    }

    std::vector<QString> open = NSSecurityScopedAccess::openPaths();
    std::sort(open.begin(), open.end());
    QStringList openList(open.begin(), open.end());
    std::printf("folder=%s\nfolderDisplay=%s\ninput=%s\nopen=%s\n",
                qPrintable(folder->folderPath()), qPrintable(folder->localizedDisplayFolderPath()),
                qPrintable(input->inputPath()), qPrintable(openList.join(',')));

    // Quitting: the persistent objects are saved, the folder controller writes its folder.
    PersistentObjectsController::persistentObjectSaveData(owner.get());
    NSNotificationCenter::defaultCenter()->postNotificationName(
        NSApplicationWillTerminateNotification, nullptr);
    return 0;
}

#include "RelaunchHelper.moc"
