#pragma once

#include "platform/foundation/NSObject.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

// The application's user defaults, kept by QSettings in an INI file: by default
// $XDG_CONFIG_HOME/<organisation>/<application>.ini (organisation "Lumenreel" unless the
// application object names one). Values are strings, data, numbers, booleans, lists and maps;
// the INI form keeps strings, data, lists and maps exactly, while numbers and booleans come back
// as text, which the typed getters convert.
class NSUserDefaults : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSUserDefaults)
public:
    // Defaults kept in the given INI file.
    explicit NSUserDefaults(const QString& iniFilePath);
    ~NSUserDefaults() override;

    // The process-wide defaults, made on first use; never freed.
    static NSUserDefaults* standardUserDefaults();
    // Points the standard defaults at another INI file (tests), or back at the default location
    // with an empty path. Changes written so far are synchronised first.
    static void setStandardUserDefaultsFile(const QString& iniFilePath);

    QString filePath() const;

    // Nil (an invalid QVariant) when there is no value.
    QVariant objectForKey(const QString& key) const;
    // An invalid value removes the key.
    void setObject(const QVariant& value, const QString& forKey);
    void removeObjectForKey(const QString& key);

    QByteArray dataForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    void setInteger(qint64 value, const QString& forKey);
    void setDouble(double value, const QString& forKey);
    void setBool(bool value, const QString& forKey);

    // Writes pending changes to the file and reads changes made by others; false when the file
    // cannot be written or read.
    bool synchronize();

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
