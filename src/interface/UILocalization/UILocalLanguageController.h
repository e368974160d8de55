#pragma once

#include "interface/CocoaFoundation/UNibSingleton.h"

#include <QSet>
#include <QString>
#include <QVariantMap>

#include <mutex>

// The interface's texts by key path ("renderButton.title"), from the selected language table,
// else from the text the interface file showed or the default given in code (US English). Bound
// elements re-read their texts when the table changes, without reloading any file. A key path is
// one table key, never walked through objects; its root key (the part before the first ".") is
// what a change announces. One shared instance for this class and its subclasses; the selected
// table is kept in the settings as "persistentSettings". Main thread only.
class UILocalLanguageController : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(UILocalLanguageController)
    Q_PROPERTY(QVariantMap persistentSettings READ persistentSettings WRITE setPersistentSettings)
public:
    // The shared instance.
    static UILocalLanguageController* language();
    // The text of `identifier`, or a null text.
    static QString stringWithID(const QString& identifier);
    // Records `defaultValue` for `identifier` (unless one is recorded), then looks it up.
    static QString stringWithID(const QString& identifier, const QString& defaultValue);

    void initOnceInstance() override;

    QVariant valueForKeyPath(const QString& keyPath) override;
    QVariant valueForKey(const QString& key) override;
    QVariant valueForUndefinedKey(const QString& key) override;
    // Records the bound element's text as the key path's default, then observes.
    void addObserver(NSObject* observer, const QString& keyPath, unsigned options,
                     void* context) override;

    bool recordKeyPath(const QString& keyPath, const QVariant& defaultObjectValue);
    bool recordUIElementObject(NSObject* element, const QString& keyPath,
                               const QString& withSelector);
    bool recordUIElementObject(NSObject* element, const QString& keyPath);
    static QString selectorFromKeyPath(const QString& keyPath);
    static QString rootKeyForKeyPath(const QString& keyPath);
    static QSet<QString> rootKeysForAllKeyPaths(const QSet<QString>& keyPaths);
    // The result of the controller's own accessor named by the whole key path, or nil. Only the
    // accessors listed in the class may be called this way.
    QVariant respondsToKeyPathSelectorOrNil(const QString& keyPath);
    QVariant defaultValueForKeyPathInUSEnglishLocale(const QString& keyPath) const;
    virtual QVariant defaultValueForKeyPathInCurrentLocale(const QString& keyPath) const;
    QVariant valueForKeyPathInSelectedUserLocalization(const QString& keyPath) const;

    // Switches the table (nil: none), announcing every root key of the old and new tables.
    // A table entry that is not text for a text key is dropped with a log line.
    bool setSettingsDictionary(const QVariantMap& table);
    QVariantMap persistentSettings() const { return current(); }
    void setPersistentSettings(const QVariantMap& table) { setSettingsDictionary(table); }
    QVariantMap currentSettingsDictionary(bool flag) const;
    Q_INVOKABLE QString currentLocaleID() const;
    Q_INVOKABLE QString currentSettingsDictionaryName() const;
    QVariantMap defaultsDictionaryForUSEnglishLocalization() const;
    // The US English table as an XML property list with sorted keys, to start a translation.
    Q_INVOKABLE QString defaultsForUSEnglishLocalization() const;
    virtual QString scriptFromDictionary(const QVariantMap& table) const;
    Q_INVOKABLE void actionResetLanguageToDefaultUSEnglishLocalization(NSObject* sender);

    void willChangeValuesForAllKeyPaths(const QSet<QString>& keyPaths);
    void didChangeValuesForAllKeyPaths(const QSet<QString>& keyPaths);
    void initCplusPlusStaticContructorDefaultsOnce();

    QVariantMap current() const;
    QSet<QString> requestedKeyPaths() const;
    QVariantMap nibDefaults() const;

private:
    mutable std::mutex mLock;
    QVariantMap _current;
    QSet<QString> _requestedKeyPaths;
    QVariantMap _nibDefaults;
};

// The same shared controller under another class name.
class UFLocalLanguageController : public UILocalLanguageController {
    Q_OBJECT
    NS_DECLARE_CLASS(UFLocalLanguageController)
};

int import_UILocalLanguageController();
