#include "app/window/AppLanguageMenu.h"

#include "interface/UILocalization/UILocalLanguageTable.h"
#include "platform/appkit/NSNib.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QDir>
#include <QFile>

NS_IMPLEMENT_CLASS(AppLanguageMenu, NSObject)

int import_AppLanguageMenu() {
    return (AppLanguageMenu::classObject() != nullptr) & import_UILocalLanguageController() &
           import_NSMenu();
}

namespace {

// The tags of the shipped languages, US English first.
constexpr int kLanguageTags[] = {0, 1, 2};

} // namespace

AppLanguageMenu::~AppLanguageMenu() {
    if (mLanguageObserver)
        NSNotificationCenter::defaultCenter()->removeObserver(mLanguageObserver);
}

void AppLanguageMenu::awakeFromNib() {
    NSObject::awakeFromNib();
    if (!mLanguageObserver)
        mLanguageObserver = NSNotificationCenter::defaultCenter()->addObserverForName(
            QStringLiteral("UILocalLanguageControllerDidChangeLanguage"), nullptr,
            [this](NSNotification*) { updateTicks(); });
    updateTicks();
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

std::optional<QVariantMap> AppLanguageMenu::readTable(int tag) {
    const QString name = tableFileName(tag);
    for (const QString& folder : NSNib::interfaceFolders()) {
        QFile file(QDir(folder).filePath(QStringLiteral("Languages/") + name));
        if (file.open(QIODevice::ReadOnly))
            return UILocalLanguageTableFromPropertyList(file.readAll());
    }
    NSLog("AppLanguageMenu: no language table %@\n", name);
    return std::nullopt;
}

void AppLanguageMenu::actionChooseLanguage(NSObject* sender) {
    chooseLanguage(sender ? sender->valueForKey(QStringLiteral("tag")).toInt() : 0);
}

bool AppLanguageMenu::chooseLanguage(int tag) {
    if (!outletLanguageController)
        return false;
    if (tableFileName(tag).isEmpty()) {
        outletLanguageController->actionResetLanguageToDefaultUSEnglishLocalization(this);
        return true;
    }
    const std::optional<QVariantMap> table = readTable(tag);
    if (!table)
        return false;
    // Texts the table leaves out keep their US English defaults.
    QVariantMap complete = outletLanguageController->defaultsDictionaryForUSEnglishLocalization();
    complete.insert(*table);
    return outletLanguageController->setSettingsDictionary(complete);
}

int AppLanguageMenu::currentLanguageTag() const {
    if (!outletLanguageController)
        return -1;
    const QVariantMap shown = outletLanguageController->persistentSettings();
    const auto showsAll = [&](const QVariantMap& table) {
        for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
            if (shown.value(it.key()) != it.value())
                return false;
        }
        return true;
    };
    for (const int tag : kLanguageTags) {
        if (tableFileName(tag).isEmpty())
            continue;
        const std::optional<QVariantMap> table = readTable(tag);
        if (table && !table->isEmpty() && showsAll(*table))
            return tag;
    }
    // US English: nothing chosen, or the texts of the interface files.
    const QVariantMap english =
        outletLanguageController->defaultsDictionaryForUSEnglishLocalization();
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it) {
        if (english.contains(it.key()) && english.value(it.key()) != it.value())
            return -1;
    }
    return 0;
}

void AppLanguageMenu::updateTicks() {
    if (!outletLanguageMenu)
        return;
    const int current = currentLanguageTag();
    for (NSMenuItem* item : outletLanguageMenu->itemArray()) {
        if (item->action() == QLatin1StringView("actionChooseLanguage:"))
            item->setState(item->tag() == current ? NSOnState : NSOffState);
    }
}
