#include "platform/system/Folders.h"
#include "platform/system/Gestalt.h"
#include "platform/system/MachTime.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <ctime>
#include <string>

namespace {

std::string pathOf(const FSRef& ref) {
    UInt8 path[4096];
    return FSRefMakePath(&ref, path, sizeof(path)) == noErr
               ? std::string(reinterpret_cast<char*>(path))
               : std::string();
}

TEST(MachTime, TicksAreMonotonicNanoseconds) {
    mach_timebase_info_data_t base{};
    ASSERT_EQ(mach_timebase_info(&base), KERN_SUCCESS);
    EXPECT_EQ(base.numer, 1u);
    EXPECT_EQ(base.denom, 1u);
    EXPECT_EQ(mach_timebase_info(nullptr), KERN_INVALID_ARGUMENT);

    timespec before{};
    clock_gettime(CLOCK_MONOTONIC, &before);
    const std::uint64_t ticks = mach_absolute_time();
    timespec after{};
    clock_gettime(CLOCK_MONOTONIC, &after);
    EXPECT_GE(ticks, std::uint64_t(before.tv_sec) * 1000000000u + std::uint64_t(before.tv_nsec));
    EXPECT_LE(ticks, std::uint64_t(after.tv_sec) * 1000000000u + std::uint64_t(after.tv_nsec));
    EXPECT_LE(ticks, mach_absolute_time());
}

TEST(Gestalt, SystemVersionIsFixedAndOverridable) {
    SInt32 version = 0;
    EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
    EXPECT_EQ(version, 0x1075);
    EXPECT_EQ(Gestalt(FOUR_CHAR_CODE("nope"), &version), gestaltUndefSelectorErr);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);

    GestaltSetSystemVersionOverride(gestaltUnknownErr, 0);
    version = 7;
    EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), gestaltUnknownErr);
    EXPECT_EQ(version, 7);
    GestaltClearSystemVersionOverride();
    EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
    EXPECT_EQ(version, 0x1075);
}

TEST(Folders, UserLogsFolderIsTheStateFolderAndIsNeverCreated) {
    QTemporaryDir root;
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const std::string state = (root.path() + QStringLiteral("/state")).toStdString();
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state));
    FSRef ref{};
    EXPECT_EQ(FSFindFolder(kUserDomain, kLogsFolderType, kDontCreateFolder, &ref), fnfErr);
    EXPECT_FALSE(QDir(QString::fromStdString(state)).exists());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(state)));
    EXPECT_EQ(FSFindFolder(kUserDomain, kLogsFolderType, kDontCreateFolder, &ref), noErr);
    EXPECT_EQ(pathOf(ref), state);
    EXPECT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), noErr);

    // A path that does not fit the caller's buffer is refused, never cut.
    UInt8 small[8];
    EXPECT_EQ(FSRefMakePath(&ref, small, sizeof(small)), paramErr);

    ASSERT_TRUE(QDir(QString::fromStdString(state)).removeRecursively());
    EXPECT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), fnfErr);
    qputenv("XDG_STATE_HOME", saved);
}

TEST(Folders, DomainsAndTypes) {
    FSRef ref{};
    EXPECT_EQ(FSFindFolder(kUserDomain, kLogsFolderType, kDontCreateFolder, nullptr), paramErr);
    EXPECT_EQ(FSFindFolder(12, kFrameworksFolderType, kDontCreateFolder, &ref), paramErr);
    EXPECT_EQ(FSFindFolder(kSystemDomain, FOUR_CHAR_CODE("zzzz"), kDontCreateFolder, &ref), fnfErr);

    QTemporaryDir root;
    const std::string components = (root.path() + QStringLiteral("/wcmp")).toStdString();
    FSSetFolderOverride(kUserDomain, kQuickTimeComponentsFolderType, components.c_str());
    EXPECT_EQ(FSFindFolder(kUserDomain, kQuickTimeComponentsFolderType, kDontCreateFolder, &ref),
              fnfErr);
    EXPECT_EQ(FSFindFolder(kUserDomain, kQuickTimeComponentsFolderType, kCreateFolder, &ref),
              noErr);
    EXPECT_EQ(pathOf(ref), components);
    FSSetFolderOverride(kUserDomain, kQuickTimeComponentsFolderType, nullptr);
}

TEST(Folders, PathMakeRefNamesExistingObjectsOnly) {
    FSRef ref{};
    Boolean isDirectory = 0;
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>("/"), &ref, &isDirectory), noErr);
    EXPECT_EQ(isDirectory, 1);
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>("/no/such/thing"), &ref, nullptr),
              fnfErr);
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(""), &ref, nullptr), paramErr);
    const FSRef empty{};
    UInt8 path[16];
    EXPECT_EQ(FSRefMakePath(&empty, path, sizeof(path)), paramErr);
}

} // namespace
