#include "app/AppLanguageMenu.h"

#include "interface/UILocalization/UILocalLanguageTable.h"
#include "platform/appkit/NSNib.h"
#include "platform/foundation/NSLog.h"

#include <QDir>
#include <QFile>

NS_IMPLEMENT_CLASS(AppLanguageMenu, NSObject)

int import_AppLanguageMenu() {
    return (AppLanguageMenu::classObject() != nullptr) & import_UILocalLanguageController();
}

QString AppLanguageMenu::tableFileName(int tag) {
    switch (tag) {
    case 1:
        return QStringLiteral("de.plist");
    case 2:
        return QStringLiteral("fr.plist");
    default:
        return {};
    }
}

void AppLanguageMenu::actionChooseLanguage(NSObject* sender) {
    chooseLanguage(sender ? sender->valueForKey(QStringLiteral("tag")).toInt() : 0);
}

bool AppLanguageMenu::chooseLanguage(int tag) {
    if (!outletLanguageController)
        return false;
    const QString name = tableFileName(tag);
    if (name.isEmpty()) {
        outletLanguageController->actionResetLanguageToDefaultUSEnglishLocalization(this);
        return true;
    }
    for (const QString& folder : NSNib::interfaceFolders()) {
        QFile file(QDir(folder).filePath(QStringLiteral("Languages/") + name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<QVariantMap> table =
            UILocalLanguageTableFromPropertyList(file.readAll());
        if (!table)
            return false;
        // Texts the table leaves out keep their US English defaults.
        QVariantMap complete =
            outletLanguageController->defaultsDictionaryForUSEnglishLocalization();
        complete.insert(*table);
        return outletLanguageController->setSettingsDictionary(complete);
    }
    NSLog("AppLanguageMenu: no language table %@\n", name);
    return false;
}
