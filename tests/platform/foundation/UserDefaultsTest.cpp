#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyedArchiver.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray everyByte() {
    QByteArray data;
    for (int i = 0; i < 256; ++i)
        data.append(static_cast<char>(i));
    return data;
}

TEST(UserDefaultsTest, ValuesSurviveInARealIniFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("app.ini");
    {
        NSRef<NSUserDefaults> defaults = NSAdopt(new NSUserDefaults(path));
        defaults->setObject(everyByte(), "data");
        defaults->setObject(QStringLiteral("t\u00e9xt"), "text");
        defaults->setInteger(-42, "integer");
        defaults->setDouble(33.29999923706055, "double");
        defaults->setBool(true, "flag");
        defaults->setObject(QStringLiteral("gone"), "removed");
        defaults->removeObjectForKey("removed");
        EXPECT_TRUE(defaults->synchronize());
    }
    QSettings reader(path, QSettings::IniFormat);
    EXPECT_EQ(reader.value("text").toString(), QStringLiteral("t\u00e9xt"));

    NSRef<NSUserDefaults> again = NSAdopt(new NSUserDefaults(path));
    EXPECT_EQ(again->dataForKey("data"), everyByte());
    EXPECT_EQ(again->stringForKey("text"), QStringLiteral("t\u00e9xt"));
    EXPECT_EQ(again->integerForKey("integer"), -42);
    EXPECT_EQ(again->doubleForKey("double"), 33.29999923706055);
    EXPECT_TRUE(again->boolForKey("flag"));
    EXPECT_FALSE(again->objectForKey("removed").isValid());
    EXPECT_FALSE(again->objectForKey("never set").isValid());
    EXPECT_TRUE(again->dataForKey("text").isNull());
}

TEST(UserDefaultsTest, TheStandardDefaultsCanBePointedElsewhere) {
    QTemporaryDir folder;
    const QString path = folder.filePath("standard.ini");
    NSUserDefaults::setStandardUserDefaultsFile(path);
    NSUserDefaults::standardUserDefaults()->setObject(QByteArray("x"), "k");
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->synchronize());
    EXPECT_TRUE(QFile::exists(path));
    NSUserDefaults::setStandardUserDefaultsFile(QString());
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->filePath().endsWith(".ini"));
    EXPECT_NE(NSUserDefaults::standardUserDefaults()->filePath(), path);
}

TEST(KeyedArchiveTest, PropertyListValuesRoundTripExactly) {
    const QVariantMap nested{{"list", QVariantList{1, "two", QByteArray("\x00\x03", 2)}},
                             {"when", QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC)}};
    const QVariantMap root{{"text", QStringLiteral("Clouds \U0001F325")},
                           {"data", everyByte()},
                           {"empty data", QByteArray("")},
                           {"int", -7},
                           {"big", qlonglong(1) << 53},
                           {"unsigned", 4294967295u},
                           {"float", 33.3f},
                           {"double", 0.1},
                           {"bool", false},
                           {"nested", nested},
                           {"set", QVariant::fromValue(QSet<QString>{"only"})}};
    const QByteArray data = NSKeyedArchiver::archivedDataWithRootObject(root, "root key");
    NSKeyedUnarchiver unarchiver(data);
    EXPECT_TRUE(unarchiver.containsValueForKey("root key"));
    EXPECT_FALSE(unarchiver.decodeObjectForKey("other key").isValid());
    const QVariantMap back = unarchiver.decodeObjectForKey("root key").toMap();
    // Numbers may come back as another numeric type of the same value.
    for (const char* key : {"text", "data", "int", "big", "float", "double", "nested"})
        EXPECT_EQ(back.value(key), root.value(key)) << key;
    // Compared as a variant, the unsigned value would also equal -1.
    EXPECT_EQ(back.value("unsigned").toLongLong(), 4294967295LL);
    EXPECT_EQ(back.value("empty data").metaType(), QMetaType::fromType<QByteArray>());
    EXPECT_EQ(back.value("bool").metaType(), QMetaType::fromType<bool>());
    EXPECT_EQ(back.value("set").toList(), QVariantList{"only"});
}

TEST(KeyedArchiveTest, WhatIsNotAnArchiveOrNotAPropertyListRaises) {
    EXPECT_THROW(NSKeyedUnarchiver{QByteArray("not an archive")}, NSException);
    EXPECT_THROW(NSKeyedUnarchiver{QByteArray()}, NSException);
    QByteArray truncated = NSKeyedArchiver::archivedDataWithRootObject(QVariantMap{}, "k");
    truncated.chop(1);
    EXPECT_THROW(NSKeyedUnarchiver{truncated}, NSException);
    QByteArray trailing = NSKeyedArchiver::archivedDataWithRootObject(QVariantMap{}, "k") + "x";
    EXPECT_THROW(NSKeyedUnarchiver{trailing}, NSException);

    EXPECT_THROW(NSKeyedArchiver::archivedDataWithRootObject(QVariant(), "k"), NSException);
    EXPECT_THROW(NSKeyedArchiver::archivedDataWithRootObject(QVariantMap{{"nil", QVariant()}}, "k"),
                 NSException);
    NSRef<NSObject> object = NSAdopt(new NSObject());
    EXPECT_THROW(
        NSKeyedArchiver::archivedDataWithRootObject(QVariant::fromValue(object.get()), "k"),
        NSException);
}

} // namespace
