#include "platform/foundation/NSUserDefaults.h"

#include <QCoreApplication>
#include <QSettings>

#include <mutex>

NS_IMPLEMENT_CLASS(NSUserDefaults, NSObject)

struct NSUserDefaults::Impl {
    mutable std::mutex lock;
    std::unique_ptr<QSettings> settings;
};

namespace {

QString defaultIniFilePath() {
    QString organisation = QCoreApplication::organizationName();
    if (organisation.isEmpty())
        organisation = QStringLiteral("Lumenreel");
    QString application = QCoreApplication::applicationName();
    if (application.isEmpty())
        application = QStringLiteral("lumenreel");
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation, application)
        .fileName();
}

std::mutex& standardLock() {
    static std::mutex sLock;
    return sLock;
}

NSUserDefaults*& standardDefaults() {
    static NSUserDefaults* sDefaults = nullptr;
    return sDefaults;
}

} // namespace

NSUserDefaults::NSUserDefaults(const QString& iniFilePath) : mImpl(std::make_unique<Impl>()) {
    mImpl->settings = std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat);
}

NSUserDefaults::~NSUserDefaults() {
    std::lock_guard guard(mImpl->lock);
    mImpl->settings->sync();
}

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
    std::lock_guard guard(standardLock());
    NSUserDefaults*& defaults = standardDefaults();
    if (!defaults)
        defaults = new NSUserDefaults(defaultIniFilePath());
    return defaults;
}

void NSUserDefaults::setStandardUserDefaultsFile(const QString& iniFilePath) {
    std::lock_guard guard(standardLock());
    NSUserDefaults*& defaults = standardDefaults();
    NSUserDefaults* previous = defaults;
    defaults = new NSUserDefaults(iniFilePath.isEmpty() ? defaultIniFilePath() : iniFilePath);
    // Callers may still hold the previous object for a moment; it is kept, synchronised.
    if (previous)
        previous->synchronize();
    static std::vector<NSUserDefaults*>* sRetired = new std::vector<NSUserDefaults*>;
    if (previous)
        sRetired->push_back(previous);
}

QString NSUserDefaults::filePath() const {
    std::lock_guard guard(mImpl->lock);
    return mImpl->settings->fileName();
}

QVariant NSUserDefaults::objectForKey(const QString& key) const {
    std::lock_guard guard(mImpl->lock);
    return mImpl->settings->value(key);
}

void NSUserDefaults::setObject(const QVariant& value, const QString& forKey) {
    std::lock_guard guard(mImpl->lock);
    if (value.isValid())
        mImpl->settings->setValue(forKey, value);
    else
        mImpl->settings->remove(forKey);
}

void NSUserDefaults::removeObjectForKey(const QString& key) {
    setObject(QVariant(), key);
}

QByteArray NSUserDefaults::dataForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.metaType() == QMetaType::fromType<QByteArray>() ? value.toByteArray()
                                                                 : QByteArray();
}

QString NSUserDefaults::stringForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.canConvert<QString>() ? value.toString() : QString();
}

qint64 NSUserDefaults::integerForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    bool ok = false;
    const qint64 integer = value.toLongLong(&ok);
    return ok ? integer : static_cast<qint64>(value.toDouble());
}

double NSUserDefaults::doubleForKey(const QString& key) const {
    return objectForKey(key).toDouble();
}

bool NSUserDefaults::boolForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.metaType() == QMetaType::fromType<QString>()) {
        const QString text = value.toString().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") ||
               text.toLongLong() != 0;
    }
    return value.toBool();
}

void NSUserDefaults::setInteger(qint64 value, const QString& forKey) {
    setObject(value, forKey);
}

void NSUserDefaults::setDouble(double value, const QString& forKey) {
    setObject(value, forKey);
}

void NSUserDefaults::setBool(bool value, const QString& forKey) {
    setObject(value, forKey);
}

bool NSUserDefaults::synchronize() {
    std::lock_guard guard(mImpl->lock);
    mImpl->settings->sync();
    return mImpl->settings->status() == QSettings::NoError;
}
