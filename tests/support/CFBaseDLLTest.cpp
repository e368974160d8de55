#include "support/CFBaseDLL.h"
#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"
#include "platform/system/Folders.h"
#include "support/CFTypeRefClass.h"
#include "support/CoreMachDebugLog.h"
#include "support/CoreServicesFramework.h"
#include "support/CoreStaticOrder.h"
#include "support/CoreSystem.h"
#include "support/LogTestSupport.h"
#include "support/SystemFramework.h"
#include "support/T_CFTypeRef.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace {

const std::string kThisFile = __FILE__;

// What PathFromURL gives for `url` over the text "<none>"; releases the URL.
std::string pathOf(CFURLRef url) {
    std::string text = "<none>";
    const std::string path = CFBaseDLL::PathFromURL(url, text);
    EXPECT_EQ(text, path);
    if (url)
        CFRelease(url);
    return path;
}

std::string pathIn(CFStringRef name, CFBaseDLL::Location location) {
    return pathOf(CFBaseDLL::URLOfNameInLocation(name, location));
}

bool mapped(const char* fragment) {
    return readFileText("/proc/self/maps").find(fragment) != std::string::npos;
}

TEST(CFBaseDLL, LocationsOfNames) {
    FSRef frameworks{};
    UInt8 folder[4096];
    ASSERT_EQ(FSFindFolder(kSystemDomain, kFrameworksFolderType, kDontCreateFolder, &frameworks),
              noErr);
    ASSERT_EQ(FSRefMakePath(&frameworks, folder, sizeof(folder)), noErr);
    EXPECT_EQ(pathIn(CFSTR("CoreServices.framework"), CFBaseDLL::kLocationSystemFrameworks),
              reinterpret_cast<char*>(folder) + std::string("/CoreServices.framework"));
    EXPECT_EQ(CFBaseDLL::URLOfNameInLocation(CFSTR("x"), CFBaseDLL::Location(11)), nullptr);
    const QString exe = QFileInfo("/proc/self/exe").canonicalFilePath();
    EXPECT_EQ(pathIn(CFSTR("tool"), CFBaseDLL::kLocationExecutableFolder),
              (exe.section('/', 0, -2) + "/tool").toStdString());

    QTemporaryDir root;
    const std::string rootPath = root.path().toStdString();
    CFBundleSetMainBundleFolder(rootPath.c_str());
    EXPECT_EQ(pathIn(CFSTR("pic.png"), CFBaseDLL::kLocationResources),
              rootPath + "/Resources/pic.png");
    EXPECT_EQ(pathIn(CFSTR("P.plugin"), CFBaseDLL::kLocationBuiltInPlugIns),
              rootPath + "/PlugIns/P.plugin");
    CFBundleSetMainBundleFolder(nullptr);

    // A missing standard folder yields no URL; it is never created.
    const std::string components = rootPath + "/wcmp";
    FSSetFolderOverride(kUserDomain, kQuickTimeComponentsFolderType, components.c_str());
    EXPECT_EQ(CFBaseDLL::URLOfNameInLocation(CFSTR("c"), CFBaseDLL::kLocationUserComponents),
              nullptr);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(components)));
    EXPECT_EQ(pathOf(CFBaseDLL::URLOfNameInFindFolder(CFSTR("c"), kQuickTimeComponentsFolderType,
                                                      kUserDomain, CFSTR("sub"))),
              components + "/sub/c");
    FSSetFolderOverride(kUserDomain, kQuickTimeComponentsFolderType, nullptr);
}

TEST(CFBaseDLL, PathFromURLLeavesTheTextAloneOnFailure) {
    EXPECT_EQ(pathOf(nullptr), "<none>");
    EXPECT_EQ(pathOf(CFURLCreateWithString(nullptr, CFSTR("https://example.org/"), nullptr)),
              "<none>");
}

TEST(T_CFBaseDLL, LoadsLooksUpAndUnloads) {
    T_CFBaseDLL<I_CFBundleDLL> handle("CoreServices.framework");
    EXPECT_FALSE(handle.IsLoaded());
    EXPECT_FALSE(handle.Unload());

    ASSERT_TRUE(handle.LoadSystemFramework());
    CFBundleRef bundle = handle.Bundle();
    EXPECT_TRUE(handle.LoadSystemFramework());
    EXPECT_EQ(handle.Bundle(), bundle);
    // What the function answers is pinned by VerifyOSerr, whose texts are looked up through it.
    EXPECT_NE(handle.Function<void*>("GetMacOSStatusErrorString"), nullptr);

    EXPECT_TRUE(handle.Unload());
    EXPECT_EQ(handle.Bundle(), nullptr);

    // A missing framework is a failure value, not a report, and no bundle is kept for it.
    FdCapture err(STDERR_FILENO);
    EXPECT_FALSE(handle.LoadSystemFramework("Missing.framework"));
    EXPECT_EQ(err.finish(), "");
    EXPECT_EQ(handle.Bundle(), nullptr);
    EXPECT_STREQ(handle.Name(), "Missing.framework");
    EXPECT_FALSE(handle.LoadFromURL(nullptr));

    T_CFBaseDLL<I_CFBundleDLL> nameless(nullptr);
    EXPECT_FALSE(nameless.LoadSystemFramework());
    EXPECT_EQ(nameless.Function<void*>("x"), nullptr);
}

TEST(CoreSystem, SystemFrameworkHasFunctionLeavesNothingLoaded) {
    CoreServicesFramework::sCoreServices.Unload();
    EXPECT_FALSE(mapped("CoreServices.framework/CoreServices"));
    EXPECT_TRUE(CoreSystem::SystemFrameworkHasFunction("CoreServices.framework",
                                                       "GetMacOSStatusCommentString"));
    EXPECT_FALSE(mapped("CoreServices.framework/CoreServices"));
    EXPECT_TRUE(CoreSystem::SystemFrameworkHasFunction("System.framework", "getcwd"));
    EXPECT_FALSE(CoreSystem::SystemFrameworkHasFunction("System.framework", "no_such_function"));
    EXPECT_FALSE(CoreSystem::SystemFrameworkHasFunction("Missing.framework", "getcwd"));
    EXPECT_FALSE(CoreSystem::SystemFrameworkHasFunction(nullptr, "getcwd"));
}

TEST(SystemFramework, CallsReachTheCLibrary) {
    ScopedLogsFolder logs;
    char buffer[4096];
    ASSERT_EQ(SystemFramework::getcwd(buffer, sizeof(buffer)), buffer);
    const std::string before = buffer;
    EXPECT_EQ(QString::fromStdString(before), QDir::currentPath());
    EXPECT_EQ(SystemFramework::getcwd(buffer, 2), nullptr);

    QTemporaryDir other;
    ASSERT_EQ(SystemFramework::chdir(other.path().toUtf8().constData()), 0);
    EXPECT_EQ(QDir::currentPath(), QFileInfo(other.path()).canonicalFilePath());
    ASSERT_EQ(SystemFramework::chdir(before.c_str()), 0);
    EXPECT_EQ(SystemFramework::chdir("/no/such/folder"), -1);
    EXPECT_FALSE(fileExists(logs.logFile()));

    EXPECT_EQ(SystemFramework::chdir(nullptr), -1);
    const std::string log = readFileText(logs.logFile());
    EXPECT_EQ(log.rfind("VERIFY FAILED:  code : in_utf8_path_string in ", 0), 0u) << log;

    const long page = ::sysconf(_SC_PAGESIZE);
    void* memory = ::mmap(nullptr, std::size_t(page), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    EXPECT_EQ(SystemFramework::mprotect(memory, std::size_t(page), PROT_READ), 0);
    EXPECT_EQ(SystemFramework::mprotect(static_cast<char*>(memory) + 1, 1, PROT_READ), -1);
    ::munmap(memory, std::size_t(page));
}

TEST(VerifyOSerr, CarriesTheStatusNameAndCommentFromCoreServices) {
    ScopedLogsFolder logs;
    EXPECT_EQ(VERIFY_OSERR(OSStatus(noErr)), 0);
    EXPECT_FALSE(fileExists(logs.logFile())) << "success writes nothing";
    const OSErr missing = fnfErr; // sixteen bits: shown and returned sign-extended
    const int line = __LINE__ + 1;
    EXPECT_EQ(VERIFY_OSERR(missing), -43);
    const int unknownLine = __LINE__ + 1;
    VERIFY_OSERR(OSStatus(12345));
    EXPECT_EQ(readFileText(logs.logFile()),
              "VERIFY_OSERR FAILED: OSErr:-43 (fnfErr/File not found)  code : missing in " +
                  kThisFile + ":" + std::to_string(line) + " (TestBody)\n" +
                  "VERIFY_OSERR FAILED: OSErr:12345 (/)  code : OSStatus(12345) in " + kThisFile +
                  ":" + std::to_string(unknownLine) + " (TestBody)\n");
    EXPECT_TRUE(CoreServicesFramework::sCoreServices.IsLoaded());
}

TEST(T_CFTypeRef, OwnedReferencesAreReleasedBorrowedOnesAreNot) {
    CFStringRef string = CFStringCreateWithCString(nullptr, "held", kCFStringEncodingUTF8);
    {
        T_CFTypeRef<CFStringRef> borrowed(string, kCFTypeRefBorrowed);
        EXPECT_EQ(CFGetRetainCount(string), 1);
    }
    EXPECT_EQ(CFGetRetainCount(string), 1);
    CFRetain(string);
    {
        T_CFTypeRef<CFStringRef> owned(string, kCFTypeRefOwned);
        T_CFTypeRef<CFStringRef> copy(owned);
        EXPECT_EQ(CFGetRetainCount(string), 3);
        T_CFTypeRef<CFStringRef> moved(std::move(copy));
        EXPECT_EQ(copy.Get(), nullptr);
        EXPECT_FALSE(moved.construct(nullptr, kCFTypeRefOwned));
        EXPECT_EQ(moved.Ownership(), kCFTypeRefBorrowed);
        EXPECT_EQ(CFGetRetainCount(string), 2);
    }
    EXPECT_EQ(CFGetRetainCount(string), 1);
    T_CFTypeRef<CFStringRef> last;
    EXPECT_TRUE(last.construct(string, kCFTypeRefOwned));
    last.destruct();
    EXPECT_EQ(last.Get(), nullptr);
}

} // namespace

namespace {

// A failure report made by a static initialiser before main gets its texts too.
const std::string sLookedUpBeforeMain CORE_STATIC_ORDER(kCoreStaticOrder_AppInit) =
    CoreServicesFramework::StatusText("GetMacOSStatusErrorString", fnfErr);

// Statics of the system-name group, which comes after the type identifiers' group.
const std::pair<CFTypeID, CFTypeID> sTypeIDsSeenBeforeMain CORE_STATIC_ORDER(
    kCoreStaticOrder_SystemName){T_CFTypeID<CFStringRef>::sTypeID, T_CFTypeID<CFURLRef>::sTypeID};

TEST(CoreStaticOrder, StaticInitialisersSeeTheTypeIdentifiersAndTheStatusTexts) {
    EXPECT_EQ(sTypeIDsSeenBeforeMain, std::pair(::CFStringGetTypeID(), ::CFURLGetTypeID()));
    EXPECT_EQ(sLookedUpBeforeMain, "fnfErr");
}

} // namespace
