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
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

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

// What an operation returned and left in its text, as "true <text>" or "false <text>".
std::string Said(bool ok, const std::string& text) {
    return (ok ? "true " : "false ") + text;
}

// The out-parameter starts as "stale", so that a failure that leaves it alone shows.
std::string Outcome(bool (*operation)(const std::string&, std::string&), const char* path) {
    std::string out = "stale";
    return Said(operation(path, out), out);
}

TEST(CoreUnixPathTest, ParentJustNameAndExtension) {
    using Operation = bool (*)(const std::string&, std::string&);
    const std::tuple<Operation, const char*, const char*> rows[] = {
        {CoreUnixPath::GetPathParent, "/usr/local/bin", "true /usr/local/"},
        {CoreUnixPath::GetPathParent, "/usr/local/bin/", "true /usr/local/"},
        {CoreUnixPath::GetPathParent, "/usr", "false "},
        {CoreUnixPath::GetPathParent, "usr", "false "},
        {CoreUnixPath::GetPathParent, "/", "false "},
        {CoreUnixPath::GetPathJustName, "/usr/local/", "true local"},
        {CoreUnixPath::GetPathJustName, "/usr/local/bin", "true bin"},
        {CoreUnixPath::GetPathJustName, "/usr", "false "},
        {CoreUnixPath::GetPathJustName, "usr", "false "},
        {CoreUnixPath::GetPathExtension, "a.b.c", "true c"},
        {CoreUnixPath::GetPathExtension, ".profile", "false "},
        {CoreUnixPath::GetPathExtension, "movie", "false "},
        {CoreUnixPath::GetPathExtension, "/a.b/c", "true b/c"}};
    for (const auto& [operation, path, expected] : rows)
        EXPECT_EQ(Outcome(operation, path), expected) << path;

    const std::pair<const char*, bool> valid[] = {
        {"a.b.c", true}, {".profile", false}, {"movie", false}, {"/a.b/c", false}};
    for (const auto& [path, expected] : valid)
        EXPECT_EQ(CoreUnixPath::HasValidFileExtension(path), expected) << path;
}

TEST(CoreUnixPathTest, Extensions) {
    // "/", "/a.b/c" and "/.x" are in the failure table below, with their report lines.
    const std::tuple<const char*, const char*, const char*> replaced[] = {
        {"movie", ".qtz", "true movie.qtz"},
        {"/dir/clip.tar.gz", "bz2", "true /dir/clip.tar.bz2"},
        {"movie", "", "true movie."}};
    for (const auto& [original, extension, expected] : replaced) {
        std::string path = original;
        EXPECT_EQ(Said(CoreUnixPath::ReplacePathExtension(path, extension), path), expected);
    }

    // Compared ignoring case and one leading dot; a path without extension is in the chained
    // reports below.
    EXPECT_TRUE(CoreUnixPath::HasPathExtension("clip.MOV", ".mov"));
    EXPECT_TRUE(CoreUnixPath::HasPathExtension("clip.MOV", "mov"));
    EXPECT_FALSE(CoreUnixPath::HasPathExtension("clip.mov", "mo"));
    EXPECT_FALSE(CoreUnixPath::HasPathExtension("clip.mo", "mov"));
}

// The names of the `tests` that hold for `path`, each after a space.
std::string Holding(const char* path,
                    std::initializer_list<std::pair<const char*, bool (*)(const char*)>> tests) {
    std::string held;
    for (const auto& [name, test] : tests)
        if (test(path))
            held.append(" ").append(name);
    return held;
}

std::string Qualification(const char* path) {
    return Holding(path, {{"root", CoreUnixPath::IsRootPath},
                          {"fully", CoreUnixPath::IsFullyQualified},
                          {"partially", CoreUnixPath::IsPartiallyQualified},
                          {"qualified", CoreUnixPath::IsQualified},
                          {"just-name", CoreUnixPath::IsJustName}});
}

TEST(CoreUnixPathTest, QualificationTests) {
    const std::pair<const char*, const char*> rows[] = {{"/", " root fully qualified"},
                                                        {"//", " fully qualified"},
                                                        {"a/b", " partially qualified"},
                                                        {"tool", " just-name"},
                                                        {"", ""}};
    for (const auto& [path, held] : rows)
        EXPECT_EQ(Qualification(path), held) << path;
    EXPECT_FALSE(CoreUnixPath::IsRootPath(nullptr));
    EXPECT_FALSE(CoreUnixPath::IsJustName(nullptr));
}

TEST(CoreUnixPathTest, TrailingSlashes) {
    std::string path;
    EXPECT_EQ(Said(CoreUnixPath::AddTrailingSlash(path), path), "true /");
    path = "/a/";
    EXPECT_EQ(Said(CoreUnixPath::AddTrailingSlash(path), path), "false /a/");
    path = "/a//";
    EXPECT_EQ(Said(CoreUnixPath::RemoveTrailingSlash(path), path), "true /a/");
    path = "/";
    EXPECT_EQ(Said(CoreUnixPath::RemoveTrailingSlash(path), path), "true ");
    EXPECT_FALSE(CoreUnixPath::RemoveTrailingSlash(path));
}

TEST(CoreUnixPathTest, SplitsAfterTheFirstSlashAndWalksEveryFolderPrefix) {
    // Base and name parts, as "base|name".
    const std::pair<const char*, const char*> splits[] = {
        {"/usr/local", "/|usr/local"}, {"/", "/|"}, {"usr/local", "usr/|local"}, {"tool", "tool|"}};
    for (const auto& [path, expected] : splits) {
        std::string base = "x", name = "y";
        EXPECT_TRUE(CoreUnixPath::GetPathBasePartAndNamePart(path, base, name));
        EXPECT_EQ(base + "|" + name, expected);
    }

    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const std::pair<const char*, Pairs> walks[] = {{"/usr/local/bin/tool",
                                                    {{"/", "usr/local/bin/tool"},
                                                     {"/usr/", "local/bin/tool"},
                                                     {"/usr/local/", "bin/tool"},
                                                     {"/usr/local/bin/", "tool"}}},
                                                   {"a/b", {{"a/", "b"}}},
                                                   {"tool", {{"./", "tool"}}},
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
    ::CFRelease(url);
    CoreUnixPath parent;
    EXPECT_TRUE(CoreUnixPath("/usr/local/bin").GetParent(parent));
    EXPECT_EQ(parent.GetUnixPath(), "/usr/local/");
}

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

std::string Access(const std::string& path) {
    return Holding(path.c_str(), {{"exists", CoreUnixPath::FileExists},
                                  {"read", CoreUnixPath::FileExistsRead},
                                  {"write", CoreUnixPath::FileExistsWrite},
                                  {"read-write", CoreUnixPath::FileExistsReadWrite}});
}

TEST_F(CoreUnixPathFiles, AccessTests) {
    EXPECT_EQ(Access(file("rw", 0600)), " exists read write read-write");
    EXPECT_EQ(Access(mDir.filePath("missing").toStdString()), "");
    EXPECT_FALSE(CoreUnixPath::FileExists(nullptr));
    if (::geteuid() != 0) {
        // Permission bits do not bind the superuser.
        EXPECT_EQ(Access(file("wo", 0200)), " exists");
        EXPECT_EQ(Access(file("ro", 0400)), " exists read");
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

const char kMissing[] = "/nonexistent-lumenreel-folder/entry";

// A temporary folder's path with a file inside, for the failures that need one.
std::string TempFolderWithFile() {
    static QTemporaryDir dir;
    std::ofstream(dir.filePath("inside").toStdString()) << "x";
    return dir.path().toStdString();
}

// Each operation fails; its report lines are in tests/data/verify/CoreUnixPath.txt. A wide text
// becomes a string of the low 16 bits of its characters, zero characters included.
const FailureCase kUnixPathFailures[] = {
    FailureCase("NullUrl", [] { return ConstructFails(static_cast<CFURLRef>(nullptr)); }),
    FailureCase("NullString", [] { return ConstructFails(static_cast<CFStringRef>(nullptr)); }),
    FailureCase("EmptyString", [] { return ConstructFails(TCFString("").Get()); }),
    FailureCase("StringWithZeroInside",
                [] { return ConstructFails(TCFString(L"/tmp/a\0/etc"s).Get()); }),
    FailureCase("SplitEmpty",
                [] {
                    std::string base, name;
                    return !CoreUnixPath::GetPathBasePartAndNamePart("", base, name);
                }),
    FailureCase("ExtensionOfRoot",
                [] { return Outcome(CoreUnixPath::GetPathExtension, "/") == "false "; }),
    FailureCase("FolderDeleteNotEmpty",
                [] { return !CoreUnixPath::FolderDelete(TempFolderWithFile().c_str()); }),
    FailureCase("FileDeleteMissing", [] { return !CoreUnixPath::FileDelete(kMissing); }),
    FailureCase("SymbolicLinkOverExisting",
                [] {
                    const std::string folder = TempFolderWithFile();
                    return !CoreUnixPath::MakeSymbolicLinkFromTo(folder.c_str(),
                                                                 (folder + "/inside").c_str());
                }),
    FailureCase("ReplaceExtensionOfRoot", [] { return Replaced("/", "x", false, "/"); }),
    FailureCase("JustNameOfRoot",
                [] { return Outcome(CoreUnixPath::GetPathJustName, "/") == "false "; }),
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
    FailureCase("FullyQualifiedNull", [] { return !CoreUnixPath::IsFullyQualified(nullptr); }),
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
                        nullptr, TCFString(L"/a\xD800").Get(), kCFURLPOSIXPathStyle, false));
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
