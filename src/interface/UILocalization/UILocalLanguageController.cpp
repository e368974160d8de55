#include "interface/UILocalization/UILocalLanguageController.h"

#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "interface/UILocalization/UILocalLanguageString.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QLocale>
#include <QXmlStreamWriter>

#include <algorithm>

NS_IMPLEMENT_CLASS(UILocalLanguageController, UNibSingleton, [](NSClass& cls) {
    cls.addClassMethod(QStringLiteral("instanceKey"),
                       [](Class) { return QVariant(QStringLiteral("UILocalLanguageController")); });
    cls.addClassMethod(QStringLiteral("persistentObjectKeyPaths"), [](Class) {
        return QVariant::fromValue(QSet<QString>{QStringLiteral("persistentSettings")});
    });
})
NS_IMPLEMENT_CLASS(UFLocalLanguageController, UILocalLanguageController)

int import_UILocalLanguageController() {
    return (UILocalLanguageController::classObject() != nullptr) &
           (UFLocalLanguageController::classObject() != nullptr) & import_UNibSingleton();
}

namespace {

// The controller's own argument-less accessors that a key path may name. Nothing else of the
// controller can be reached through a key path from an interface file or a restored table.
const QSet<QString>& ownAccessors() {
    static const QSet<QString> names{QStringLiteral("persistentSettings"),
                                     QStringLiteral("currentLocaleID"),
                                     QStringLiteral("currentSettingsDictionaryName"),
                                     QStringLiteral("defaultsForUSEnglishLocalization")};
    return names;
}

} // namespace

UILocalLanguageController* UILocalLanguageController::language() {
    return NSAllocInit<UILocalLanguageController>();
}

QString UILocalLanguageController::stringWithID(const QString& identifier) {
    const QVariant value = language()->valueForKeyPath(identifier);
    return value.isValid() ? value.toString() : QString();
}

QString UILocalLanguageController::stringWithID(const QString& identifier,
                                                const QString& defaultValue) {
    language()->recordKeyPath(identifier, defaultValue);
    return stringWithID(identifier);
}

void UILocalLanguageController::initOnceInstance() {
    {
        std::lock_guard guard(mLock);
        _current.clear();
        _requestedKeyPaths.clear();
        _requestedKeyPaths.reserve(3);
        _nibDefaults.clear();
    }
    initCplusPlusStaticContructorDefaultsOnce();
    UPersistentObjectsController::sharedPersistentObjectsController()->registerPersistentObject(
        this);
}

QVariant UILocalLanguageController::valueForKeyPath(const QString& keyPath) {
    const QVariant own = respondsToKeyPathSelectorOrNil(keyPath);
    if (own.isValid())
        return own;
    QVariant value = valueForKeyPathInSelectedUserLocalization(keyPath);
    if (!value.isValid())
        value = defaultValueForKeyPathInCurrentLocale(keyPath);
    if (!value.isValid())
        value = defaultValueForKeyPathInUSEnglishLocale(keyPath);
    try {
        std::lock_guard guard(mLock);
        _requestedKeyPaths.insert(keyPath);
    } catch (const NSException&) {
    }
    return value;
}

QVariant UILocalLanguageController::valueForKey(const QString& key) {
    std::lock_guard guard(mLock);
    _requestedKeyPaths.insert(key);
    return {};
}

QVariant UILocalLanguageController::valueForUndefinedKey(const QString& key) {
    return QStringLiteral("valueForUndefinedKey:%1").arg(key);
}

void UILocalLanguageController::addObserver(NSObject* observer, const QString& keyPath,
                                            unsigned options, void* context) {
    try {
        if (observer && observer->respondsToSelector(QStringLiteral("object"))) {
            auto* element =
                qvariant_cast<NSObject*>(observer->performSelector(QStringLiteral("object")));
            if (element && !recordUIElementObject(element, keyPath) &&
                !recordUIElementObject(element, keyPath, QStringLiteral("title")))
                recordUIElementObject(element, keyPath, QStringLiteral("stringValue"));
        }
    } catch (const NSException&) {
    }
    UNibSingleton::addObserver(observer, keyPath, options, context);
}

bool UILocalLanguageController::recordKeyPath(const QString& keyPath,
                                              const QVariant& defaultObjectValue) {
    std::lock_guard guard(mLock);
    if (_nibDefaults.contains(keyPath) || !defaultObjectValue.isValid())
        return false;
    _nibDefaults.insert(keyPath, defaultObjectValue);
    return true;
}

bool UILocalLanguageController::recordUIElementObject(NSObject* element, const QString& keyPath,
                                                      const QString& withSelector) {
    if (!element || withSelector.isEmpty() || !element->respondsToSelector(withSelector))
        return false;
    recordKeyPath(keyPath, element->valueForKey(withSelector));
    return true;
}

bool UILocalLanguageController::recordUIElementObject(NSObject* element, const QString& keyPath) {
    const QString selector = selectorFromKeyPath(keyPath);
    if (!element || selector.isEmpty() || !element->respondsToSelector(selector))
        return false;
    return recordUIElementObject(element, keyPath, selector);
}

QString UILocalLanguageController::selectorFromKeyPath(const QString& keyPath) {
    if (keyPath.isEmpty())
        return {};
    return keyPath.section(QLatin1Char('.'), -1);
}

QString UILocalLanguageController::rootKeyForKeyPath(const QString& keyPath) {
    return keyPath.section(QLatin1Char('.'), 0, 0);
}

QSet<QString> UILocalLanguageController::rootKeysForAllKeyPaths(const QSet<QString>& keyPaths) {
    QSet<QString> roots;
    for (const QString& keyPath : keyPaths)
        roots.insert(rootKeyForKeyPath(keyPath));
    return roots;
}

QVariant UILocalLanguageController::respondsToKeyPathSelectorOrNil(const QString& keyPath) {
    if (!ownAccessors().contains(keyPath))
        return {};
    return NSObject::valueForKey(keyPath);
}

QVariant
UILocalLanguageController::defaultValueForKeyPathInUSEnglishLocale(const QString& keyPath) const {
    std::lock_guard guard(mLock);
    return _nibDefaults.value(keyPath);
}

QVariant UILocalLanguageController::defaultValueForKeyPathInCurrentLocale(const QString&) const {
    return {};
}

QVariant
UILocalLanguageController::valueForKeyPathInSelectedUserLocalization(const QString& keyPath) const {
    std::lock_guard guard(mLock);
    return _current.value(keyPath);
}

bool UILocalLanguageController::setSettingsDictionary(const QVariantMap& table) {
    // Tables come from settings files and resources: only text for text keys is taken.
    QVariantMap checked;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.key().isEmpty() || it.value().typeId() != QMetaType::QString) {
            NSLog("UILocalLanguageController: the entry %@ of a language table is not a text; it "
                  "is dropped\n",
                  it.key());
            continue;
        }
        checked.insert(it.key(), it.value());
    }
    QSet<QString> keyPaths;
    for (auto it = checked.constBegin(); it != checked.constEnd(); ++it)
        keyPaths.insert(it.key());
    for (const QString& key : current().keys())
        keyPaths.insert(key);
    willChangeValuesForAllKeyPaths(keyPaths);
    {
        std::lock_guard guard(mLock);
        _current = checked;
    }
    didChangeValuesForAllKeyPaths(keyPaths);
    return true;
}

QVariantMap UILocalLanguageController::currentSettingsDictionary(bool) const {
    return current();
}

QString UILocalLanguageController::currentLocaleID() const {
    return QLocale::system().name();
}

QString UILocalLanguageController::currentSettingsDictionaryName() const {
    return QStringLiteral("UI for %1").arg(currentLocaleID());
}

QVariantMap UILocalLanguageController::defaultsDictionaryForUSEnglishLocalization() const {
    return nibDefaults();
}

QString UILocalLanguageController::defaultsForUSEnglishLocalization() const {
    return scriptFromDictionary(defaultsDictionaryForUSEnglishLocalization());
}

QString UILocalLanguageController::scriptFromDictionary(const QVariantMap& table) const {
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    writer.writeStartElement(QStringLiteral("plist"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("dict"));
    // QVariantMap keeps its keys sorted.
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        writer.writeTextElement(QStringLiteral("key"), it.key());
        writer.writeTextElement(QStringLiteral("string"), it.value().toString());
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return text;
}

void UILocalLanguageController::actionResetLanguageToDefaultUSEnglishLocalization(NSObject*) {
    setSettingsDictionary(defaultsDictionaryForUSEnglishLocalization());
}

namespace {

// Root keys are announced in a fixed order, so that a switch always looks the same.
QStringList sortedRootKeys(const QSet<QString>& keyPaths) {
    QStringList roots = UILocalLanguageController::rootKeysForAllKeyPaths(keyPaths).values();
    roots.sort();
    return roots;
}

} // namespace

void UILocalLanguageController::willChangeValuesForAllKeyPaths(const QSet<QString>& keyPaths) {
    for (const QString& root : sortedRootKeys(keyPaths))
        willChangeValueForKey(root);
    NSNotificationCenter::defaultCenter()->postNotificationName(
        QStringLiteral("UILocalLanguageControllerWillChangeLanguage"), this);
}

void UILocalLanguageController::didChangeValuesForAllKeyPaths(const QSet<QString>& keyPaths) {
    for (const QString& root : sortedRootKeys(keyPaths))
        didChangeValueForKey(root);
    NSNotificationCenter::defaultCenter()->postNotificationName(
        QStringLiteral("UILocalLanguageControllerDidChangeLanguage"), this);
}

void UILocalLanguageController::initCplusPlusStaticContructorDefaultsOnce() {
    const auto* strings = UILocalLanguageString::sCplusPlusStaticStrings;
    if (!strings)
        return;
    for (const auto& [identifier, text] : *strings)
        recordKeyPath(QString::fromUtf8(identifier), QString::fromUtf8(text));
}

QVariantMap UILocalLanguageController::current() const {
    std::lock_guard guard(mLock);
    return _current;
}

QSet<QString> UILocalLanguageController::requestedKeyPaths() const {
    std::lock_guard guard(mLock);
    return _requestedKeyPaths;
}

QVariantMap UILocalLanguageController::nibDefaults() const {
    std::lock_guard guard(mLock);
    return _nibDefaults;
}
