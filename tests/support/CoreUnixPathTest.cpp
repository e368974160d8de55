#include "support/CoreUnixPath.h"
#include "support/T_CFString.h"
#include "support/VerifyCapture.h"
#include "support/VerifyFailureCase.h"

#include "platform/corefoundation/CFURL.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

// A string of the given UTF-16 units (zero units included).
TCFString Units(const std::u16string& units) {
    return TCFString(::CFStringCreateWithCharacters(nullptr,
                                                    reinterpret_cast<const UniChar*>(units.data()),
                                                    CFIndex(units.size())),
                     kCFTypeRefOwned);
}

// Constructing a path from `source` fails and leaves it empty.
template <class Source>
bool ConstructFails(Source source) {
    CoreUnixPath path("/tmp");
    return !path.Construct(source) && path.IsEmpty();
}

// Replacing the extension of `path` with `extension` returns `ok` and leaves `result`.
bool Replaced(const char* path, const char* extension, bool ok, const char* result) {
    std::string text = path;
    return CoreUnixPath::ReplacePathExtension(text, extension) == ok && text == result;
}

// Constructing a path from a URL made from `source` fails and leaves it empty.
bool URLConstructFails(CFURLRef url) {
    const bool failed = url != nullptr && ConstructFails(url);
    if (url)
        ::CFRelease(url);
    return failed;
}

// --- path algebra ---------------------------------------------------------------------------

// Each out-parameter starts as "stale", so that a failure that leaves it alone shows.
TEST(CoreUnixPathTest, ParentAndJustName) {
    struct Row {
        const char* path;
        bool ok;
        const char* result;
    };
    const Row parents[] = {{"/usr/local/bin", true, "/usr/local/"},
                           {"/usr/local/bin/", true, "/usr/local/"},
                           {"a/b/c/", true, "a/b/"},
                           {"/usr", false, ""},
                           {"/usr/", false, ""},
                           {"usr", false, ""},
                           {"/", false, ""},
                           {"", false, ""}};
    for (const Row& row : parents) {
        SCOPED_TRACE(row.path);
        std::string out = "stale";
        EXPECT_EQ(CoreUnixPath::GetPathParent(row.path, out), row.ok);
        EXPECT_EQ(out, row.result);
    }
    const Row names[] = {{"/usr/local/", true, "local"},
                         {"/usr/local/bin", true, "bin"},
                         {"a/b/", true, "b"},
                         {"/usr", false, ""},
                         {"usr", false, ""}};
    for (const Row& row : names) {
        SCOPED_TRACE(row.path);
        std::string out = "stale";
        EXPECT_EQ(CoreUnixPath::GetPathJustName(row.path, out), row.ok);
        EXPECT_EQ(out, row.result);
    }
}

TEST(CoreUnixPathTest, Extensions) {
    struct Row {
        const char* path;
        bool valid; // HasValidFileExtension
        bool ok;    // GetPathExtension
        const char* extension;
    };
    const Row rows[] = {{"a.b.c", true, true, "c"},     {"/x/.profile", true, true, "profile"},
                        {".profile", false, false, ""}, {"movie", false, false, ""},
                        {"/a.b/c", false, true, "b/c"}, {"movie.", true, true, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(CoreUnixPath::HasValidFileExtension(row.path), row.valid);
        std::string out = "stale";
        EXPECT_EQ(CoreUnixPath::GetPathExtension(row.path, out), row.ok);
        EXPECT_EQ(out, row.extension);
    }

    struct Replace {
        const char* path;
        const char* extension;
        bool ok;
        const char* result;
    };
    // "/", "/a.b/c" and "/.x" are in the failure table below, with their report lines.
    const Replace replaced[] = {{"movie", ".qtz", true, "movie.qtz"},
                                {"/dir/clip.tar.gz", "bz2", true, "/dir/clip.tar.bz2"},
                                {"movie", "", true, "movie."}};
    for (const Replace& row : replaced) {
        SCOPED_TRACE(row.path);
        std::string path = row.path;
        EXPECT_EQ(CoreUnixPath::ReplacePathExtension(path, row.extension), row.ok);
        EXPECT_EQ(path, row.result);
    }

    // Compared ignoring case and one leading dot; a path without extension is in the chained
    // reports below.
    EXPECT_TRUE(CoreUnixPath::HasPathExtension("clip.MOV", ".mov"));
    EXPECT_TRUE(CoreUnixPath::HasPathExtension("clip.MOV", "mov"));
    EXPECT_FALSE(CoreUnixPath::HasPathExtension("clip.mov", "mo"));
    EXPECT_FALSE(CoreUnixPath::HasPathExtension("clip.mo", "mov"));
}

TEST(CoreUnixPathTest, QualificationTests) {
    struct Row {
        const char* path;
        bool root, fully, partially, qualified, just_name;
    };
    const Row rows[] = {
        {"/", true, true, false, true, false},     {"//", false, true, false, true, false},
        {"/usr", false, true, false, true, false}, {"a/", false, false, true, true, false},
        {"a/b", false, false, true, true, false},  {"tool", false, false, false, false, true},
        {"", false, false, false, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(CoreUnixPath::IsRootPath(row.path), row.root);
        EXPECT_EQ(CoreUnixPath::IsFullyQualified(row.path), row.fully);
        EXPECT_EQ(CoreUnixPath::IsPartiallyQualified(row.path), row.partially);
        EXPECT_EQ(CoreUnixPath::IsQualified(row.path), row.qualified);
        EXPECT_EQ(CoreUnixPath::IsJustName(row.path), row.just_name);
    }
    EXPECT_FALSE(CoreUnixPath::IsRootPath(nullptr));
    EXPECT_FALSE(CoreUnixPath::IsJustName(nullptr));
}

TEST(CoreUnixPathTest, TrailingSlashes) {
    std::string path;
    EXPECT_TRUE(CoreUnixPath::AddTrailingSlash(path));
    EXPECT_EQ(path, "/");
    path = "/a/";
    EXPECT_FALSE(CoreUnixPath::AddTrailingSlash(path));
    EXPECT_EQ(path, "/a/");
    path = "/a//";
    EXPECT_TRUE(CoreUnixPath::RemoveTrailingSlash(path));
    EXPECT_EQ(path, "/a/");
    path = "/";
    EXPECT_TRUE(CoreUnixPath::RemoveTrailingSlash(path));
    EXPECT_EQ(path, "");
    EXPECT_FALSE(CoreUnixPath::RemoveTrailingSlash(path));
}

TEST(CoreUnixPathTest, SplitsAfterTheFirstSlashAndWalksEveryFolderPrefix) {
    struct Split {
        const char* path;
        const char* base;
        const char* name;
    };
    const Split splits[] = {{"/usr/local", "/", "usr/local"},
                            {"/", "/", ""},
                            {"usr/local", "usr/", "local"},
                            {"tool", "tool", ""}};
    for (const Split& row : splits) {
        SCOPED_TRACE(row.path);
        std::string base = "x", name = "y";
        EXPECT_TRUE(CoreUnixPath::GetPathBasePartAndNamePart(row.path, base, name));
        EXPECT_EQ(base, row.base);
        EXPECT_EQ(name, row.name);
    }

    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const std::pair<const char*, Pairs> walks[] = {{"/usr/local/bin/tool",
                                                    {{"/", "usr/local/bin/tool"},
                                                     {"/usr/", "local/bin/tool"},
                                                     {"/usr/local/", "bin/tool"},
                                                     {"/usr/local/bin/", "tool"}}},
                                                   {"a/b", {{"a/", "b"}}},
                                                   {"tool", {{"./", "tool"}}},
                                                   {"/", {{"/", ""}}},
                                                   {"a//b", {{"a/", "/b"}}},
                                                   {"a/b/", {{"a/", "b/"}, {"a/b/", ""}}}};
    for (const auto& [text, expected] : walks) {
        SCOPED_TRACE(text);
        const CoreUnixPath path(text);
        Pairs pairs;
        std::string base, name;
        for (bool more = path.GetFirstPair(base, name); more; more = path.GetNextPair(base, name)) {
            pairs.emplace_back(base, name);
            ASSERT_LT(pairs.size(), 100u);
        }
        EXPECT_EQ(pairs, expected);
    }
}

TEST(CoreUnixPathTest, ConstructionForms) {
    CoreUnixPath path("/tmp");
    EXPECT_FALSE(path.Construct(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(path.IsEmpty());
    EXPECT_TRUE(path.Construct(TCFString("/t\xC3\xA9st").Get()));
    EXPECT_STREQ(path, "/t\xC3\xA9st");
    CFURLRef url = ::CFURLCreateWithFileSystemPath(nullptr, TCFString("/a/b c").Get(),
                                                   kCFURLPOSIXPathStyle, false);
    EXPECT_TRUE(path.Construct(url));
    EXPECT_EQ(path.GetUnixPath(), "/a/b c");
    CoreUnixPath from_url(url);
    EXPECT_EQ(from_url.GetUnixPath(), "/a/b c");
    ::CFRelease(url);
    CoreUnixPath parent;
    EXPECT_TRUE(CoreUnixPath("/usr/local/bin").GetParent(parent));
    EXPECT_EQ(parent.GetUnixPath(), "/usr/local/");
}

// --- POSIX wrappers -------------------------------------------------------------------------

class CoreUnixPathFiles : public ::testing::Test {
protected:
    std::string file(const char* name, mode_t mode) {
        const std::string path = mDir.filePath(name).toStdString();
        std::ofstream(path) << "x";
        ::chmod(path.c_str(), mode);
        return path;
    }
    QTemporaryDir mDir;
};

TEST_F(CoreUnixPathFiles, AccessTests) {
    const std::string rw = file("rw", 0600), wo = file("wo", 0200), ro = file("ro", 0400);
    EXPECT_TRUE(CoreUnixPath::FileExists(rw.c_str()));
    EXPECT_TRUE(CoreUnixPath::FileExistsReadWrite(rw.c_str()));
    EXPECT_TRUE(CoreUnixPath::FileExistsWrite(rw.c_str()));
    EXPECT_FALSE(CoreUnixPath::FileExists((rw + "-missing").c_str()));
    EXPECT_FALSE(CoreUnixPath::FileExists(nullptr));
    if (::geteuid() != 0) {
        // Permission bits do not bind the superuser.
        EXPECT_FALSE(CoreUnixPath::FileExistsWrite(wo.c_str()));
        EXPECT_FALSE(CoreUnixPath::FileExistsRead(wo.c_str()));
        EXPECT_TRUE(CoreUnixPath::FileExistsRead(ro.c_str()));
        EXPECT_FALSE(CoreUnixPath::FileExistsReadWrite(ro.c_str()));
    }
}

TEST_F(CoreUnixPathFiles, SymbolicLinksAndDeletion) {
    const std::string target = file("target", 0600);
    const std::string link = mDir.filePath("link").toStdString();
    EXPECT_TRUE(CoreUnixPath::MakeSymbolicLinkFromTo(target.c_str(), (link + "/").c_str()));
    char buffer[1024] = {};
    ASSERT_GT(::readlink(link.c_str(), buffer, sizeof(buffer) - 1), 0);
    EXPECT_EQ(std::string(buffer), target);
    {
        VerifyCapture capture;
        EXPECT_FALSE(CoreUnixPath::MakeSymbolicLinkFromTo((target + "-missing").c_str(),
                                                          (link + "2").c_str()));
        EXPECT_TRUE(capture.lines().empty());
    }
    EXPECT_TRUE(CoreUnixPath::FileDelete(link.c_str()));
    EXPECT_TRUE(CoreUnixPath::FileExists(target.c_str()));
    const std::string folder = mDir.filePath("folder").toStdString();
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_TRUE(CoreUnixPath::FolderDelete(folder.c_str()));
    EXPECT_FALSE(CoreUnixPath::FileExists(folder.c_str()));
}

TEST_F(CoreUnixPathFiles, WorkingDirectory) {
    CoreUnixPath saved;
    ASSERT_TRUE(saved.getcwd());
    CoreUnixPath target(mDir.path().toUtf8().constData());
    EXPECT_TRUE(target.chdir());
    CoreUnixPath now;
    EXPECT_TRUE(now.getcwd());
    EXPECT_EQ(now.GetUnixPath(), target.GetUnixPath());
    EXPECT_TRUE(saved.chdir());
}

// --- the failure table ----------------------------------------------------------------------

const char* const kNoText = nullptr;
const char kMissing[] = "/nonexistent-lumenreel-folder/entry";

// A temporary folder's path with a file inside, for the failures that need one.
std::string TempFolderWithFile() {
    static QTemporaryDir dir;
    std::ofstream(dir.filePath("inside").toStdString()) << "x";
    return dir.path().toStdString();
}

// Each operation fails; its report lines are in tests/data/verify/CoreUnixPath.txt.
const FailureCase kUnixPathFailures[] = {
    FailureCase("NullUrl", [] { return ConstructFails(static_cast<CFURLRef>(nullptr)); }),
    FailureCase("NullString", [] { return ConstructFails(static_cast<CFStringRef>(nullptr)); }),
    FailureCase("EmptyString", [] { return ConstructFails(TCFString("").Get()); }),
    FailureCase("StringWithZeroInside",
                [] { return ConstructFails(Units(u"/tmp/a\0/etc"s).Get()); }),
    FailureCase("SplitEmpty",
                [] {
                    std::string base, name;
                    return !CoreUnixPath::GetPathBasePartAndNamePart("", base, name);
                }),
    FailureCase("ExtensionOfRoot",
                [] {
                    std::string ext;
                    return !CoreUnixPath::GetPathExtension("/", ext) && ext.empty();
                }),
    FailureCase("FolderDeleteNotEmpty",
                [] { return !CoreUnixPath::FolderDelete(TempFolderWithFile().c_str()); }),
    FailureCase("FileDeleteMissing", [] { return !CoreUnixPath::FileDelete(kMissing); }),
    FailureCase("SymbolicLinkOverExisting",
                [] {
                    const std::string folder = TempFolderWithFile();
                    return !CoreUnixPath::MakeSymbolicLinkFromTo(folder.c_str(),
                                                                 (folder + "/inside").c_str());
                }),
    FailureCase("AddExtensionToRoot",
                [] {
                    std::string root = "/";
                    return !CoreUnixPath::AddPathExtension(root, "x") && root == "/";
                }),
    FailureCase("ReplaceExtensionOfRoot", [] { return Replaced("/", "x", false, "/"); }),
    FailureCase("JustNameOfRoot",
                [] {
                    std::string name;
                    return !CoreUnixPath::GetPathJustName("/", name);
                }),
    FailureCase("FirstPairOfEmpty",
                [] {
                    std::string base = "x", name = "y";
                    return !CoreUnixPath().GetFirstPair(base, name) && base.empty() && name.empty();
                }),
    FailureCase("NextPairWithoutBase",
                [] {
                    std::string base, name = "a/b";
                    return !CoreUnixPath("/a/b").GetNextPair(base, name);
                }),
    FailureCase("ParentOfTopFolder",
                [] {
                    CoreUnixPath parent("/kept");
                    return !CoreUnixPath("/usr").GetParent(parent) &&
                           parent.GetUnixPath() == "/kept";
                }),
    FailureCase("ChdirEmpty", [] { return !CoreUnixPath().chdir(); }),
    FailureCase("ChdirMissing", [] { return !CoreUnixPath(kMissing).chdir(); }),
    FailureCase("FullyQualifiedNull", [] { return !CoreUnixPath::IsFullyQualified(kNoText); }),
    FailureCase("EmptyFullyQualified", [] { return !CoreUnixPath().IsFullyQualified(); }),
    FailureCase("EmptyJustName", [] { return !CoreUnixPath().IsJustName(); }),
    FailureCase("HasExtensionWithoutExtension",
                [] { return !CoreUnixPath::HasPathExtension("movie", "mov"); }),
    FailureCase("ReplaceExtensionWithDotInFolder",
                [] { return Replaced("/a.b/c", "txt", true, "/a.b/c.txt"); }),
    FailureCase("ReplaceExtensionOfRootName", [] { return Replaced("/.x", "y", false, "/.x"); }),
    FailureCase("ReplaceWithNoExtension",
                [] { return Replaced("movie", nullptr, false, "movie"); }),
    FailureCase("GetcwdOfRemovedFolder",
                [] {
                    CoreUnixPath saved;
                    saved.getcwd();
                    QTemporaryDir dir;
                    CoreUnixPath(dir.path().toUtf8().constData()).chdir();
                    dir.remove();
                    CoreUnixPath cwd("/kept");
                    const bool failed = !cwd.getcwd() && cwd.GetUnixPath() == "/kept";
                    saved.chdir();
                    return failed;
                }),
    FailureCase("NonFileUrl",
                [] {
                    return URLConstructFails(::CFURLCreateWithString(
                        nullptr, TCFString("http://example.com/a").Get(), nullptr));
                }),
    FailureCase("UrlWithoutUtf8Path",
                [] {
                    return URLConstructFails(::CFURLCreateWithFileSystemPath(
                        nullptr, Units(u"/a\xD800").Get(), kCFURLPOSIXPathStyle, false));
                }),
};

class UnixPathFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(UnixPathFailure, WritesItsLinesAndReturnsTheStatedValue) {
    expectFailureLines("CoreUnixPath", GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, UnixPathFailure, ::testing::ValuesIn(kUnixPathFailures),
                         failureCaseName);

TEST(UnixPathFailureTable, EveryListedCaseRuns) {
    expectEveryListedCaseRuns("CoreUnixPath", kUnixPathFailures);
}

} // namespace
