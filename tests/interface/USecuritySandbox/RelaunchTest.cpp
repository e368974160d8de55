// Bookmarks kept in the user defaults come back in a second launch of a sandboxed program.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QMap<QString, QString> launch(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(SANDBOX_RELAUNCH_HELPER), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QMap<QString, QString> values;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

} // namespace

TEST(Relaunch, FolderAndInputBookmarksSurviveAndVanishedFilesDoNot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QDir(dir.path()).canonicalPath();
    const QString ini = root + "/defaults.ini";
    const QString folder = root + "/Renders";
    const QString input = root + "/Clock.qtz";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile(input).open(QIODevice::WriteOnly));

    const auto picked = launch({ini, "pick", folder, input});
    EXPECT_EQ(picked.value("folder"), folder);
    EXPECT_EQ(picked.value("input"), input);

    const auto restored = launch({ini, "restore"});
    EXPECT_EQ(restored.value("folder"), folder);
    EXPECT_TRUE(restored.value("folderDisplay").endsWith(":" + folder.mid(1)) ||
                restored.value("folderDisplay").contains("/Renders"))
        << restored.value("folderDisplay").toStdString();
    EXPECT_EQ(restored.value("input"), input);
    EXPECT_TRUE(restored.value("open").split(',').contains(folder));
    EXPECT_TRUE(restored.value("open").split(',').contains(input));

    // Damaged data in the defaults does not resolve: the folder is left without a URL.
    {
        QSettings settings(ini, QSettings::IniFormat);
        QByteArray data = settings.value("USandboxMoviesFolderUserDefaultsKey").toByteArray();
        ASSERT_FALSE(data.isEmpty());
        const QByteArray good = data;
        data[data.size() - 1] = char(data[data.size() - 1] ^ 0x01);
        settings.setValue("USandboxMoviesFolderUserDefaultsKey", data);
        settings.sync();
        const auto damaged = launch({ini, "restore"});
        EXPECT_EQ(damaged.value("folder"), QString());
        EXPECT_EQ(damaged.value("folderDisplay"), QString());
        EXPECT_EQ(damaged.value("input"), input);
        settings.setValue("USandboxMoviesFolderUserDefaultsKey", good);
        settings.sync();
    }

    // The input file is gone: its row is empty, and its stored data is kept for next time.
    ASSERT_TRUE(QFile::remove(input));
    const auto gone = launch({ini, "restore"});
    EXPECT_EQ(gone.value("folder"), folder);
    EXPECT_EQ(gone.value("input"), QString());
    EXPECT_FALSE(gone.value("open").split(',').contains(input));
    ASSERT_TRUE(QFile(input).open(QIODevice::WriteOnly));
    EXPECT_EQ(launch({ini, "restore"}).value("input"), input);
}
