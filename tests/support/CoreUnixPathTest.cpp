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
    // "/a.b/c" and "/.x" are in the chained reports below, with their report lines.
    const Replace replaced[] = {{"movie", ".qtz", true, "movie.qtz"},
                                {"/dir/clip.tar.gz", "bz2", true, "/dir/clip.tar.bz2"},
                                {"movie", "", true, "movie."},
                                {"/", "x", false, "/"}};
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
    {
        // A zero inside would cut the path short at every file call: refused, with a report.
        VerifyCapture capture;
        EXPECT_TRUE(ConstructFails(Units(u"/tmp/a\0/etc"s).Get()));
        EXPECT_EQ(capture.lines().size(), 1u);
    }
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

class UnixPathFailureLine : public ::testing::TestWithParam<FailureCase> {};

TEST_P(UnixPathFailureLine, WritesItsLineOnceAndReturnsTheStatedValue) {
    expectOneFailureLine(GetParam());
}

const char* const kNoText = nullptr;
const char kMissing[] = "/nonexistent-lumenreel-folder/entry";

// A temporary folder's path with a file inside, for the failures that need one.
std::string TempFolderWithFile() {
    static QTemporaryDir dir;
    std::ofstream(dir.filePath("inside").toStdString()) << "x";
    return dir.path().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnixPathFailureLine,
    ::testing::Values(
        FailureCase{"NullUrl", [] { return ConstructFails(static_cast<CFURLRef>(nullptr)); },
                    "CoreUnixPath.cpp", 89, "Construct", "unix_file_url"},
        FailureCase{"NullString", [] { return ConstructFails(static_cast<CFStringRef>(nullptr)); },
                    "CoreUnixPath.cpp", 106, "Construct", "unix_file_path"},
        FailureCase{"EmptyString", [] { return ConstructFails(TCFString("").Get()); },
                    "CoreUnixPath.cpp", 108, "Construct",
                    "fOk = TCFString(unix_file_path).GetValue(mPath)"},
        FailureCase{"SplitEmpty",
                    [] {
                        std::string base, name;
                        return !CoreUnixPath::GetPathBasePartAndNamePart("", base, name);
                    },
                    "CoreUnixPath.cpp", 130, "GetPathBasePartAndNamePart", "path_length"},
        FailureCase{"ExtensionOfRoot",
                    [] {
                        std::string ext;
                        return !CoreUnixPath::GetPathExtension("/", ext) && ext.empty();
                    },
                    "CoreUnixPath.cpp", 188, "GetPathExtension", "!IsRootPath(path.c_str())"},
        FailureCase{"FolderDeleteNotEmpty",
                    [] { return !CoreUnixPath::FolderDelete(TempFolderWithFile().c_str()); },
                    "CoreUnixPath.cpp", 240, "FolderDelete", "fOk = (0==rmdir(in_path))"},
        FailureCase{"FileDeleteMissing", [] { return !CoreUnixPath::FileDelete(kMissing); },
                    "CoreUnixPath.cpp", 247, "FileDelete", "fOk = (0==unlink(in_path))"},
        FailureCase{"SymbolicLinkOverExisting",
                    [] {
                        const std::string folder = TempFolderWithFile();
                        return !CoreUnixPath::MakeSymbolicLinkFromTo(folder.c_str(),
                                                                     (folder + "/inside").c_str());
                    },
                    "CoreUnixPath.cpp", 261, "MakeSymbolicLinkFromTo", "fOk = (0==posix_result)"},
        FailureCase{"AddExtensionToRoot",
                    [] {
                        std::string root = "/";
                        return !CoreUnixPath::AddPathExtension(root, "x") && root == "/";
                    },
                    "CoreUnixPath.cpp", 292, "AddPathExtension", "!IsRootPath(inout_path.c_str())"},
        FailureCase{"ReplaceExtensionOfRoot",
                    [] {
                        std::string root = "/";
                        return !CoreUnixPath::ReplacePathExtension(root, "x");
                    },
                    "CoreUnixPath.cpp", 312, "ReplacePathExtension", "!IsRootPath(path.c_str())"},
        FailureCase{"JustNameOfRoot",
                    [] {
                        std::string name;
                        return !CoreUnixPath::GetPathJustName("/", name);
                    },
                    "CoreUnixPath.cpp", 378, "GetPathJustName", "!IsRootPath(path.c_str())"},
        FailureCase{"FirstPairOfEmpty",
                    [] {
                        std::string base = "x", name = "y";
                        return !CoreUnixPath().GetFirstPair(base, name) && base.empty() &&
                               name.empty();
                    },
                    "CoreUnixPath.cpp", 433, "GetFirstPair", "!IsEmpty()"},
        FailureCase{"NextPairWithoutBase",
                    [] {
                        std::string base, name = "a/b";
                        return !CoreUnixPath("/a/b").GetNextPair(base, name);
                    },
                    "CoreUnixPath.cpp", 454, "GetNextPair", "!IsEmpty() && (base_length>0)"},
        FailureCase{"ParentOfTopFolder",
                    [] {
                        CoreUnixPath parent("/kept");
                        return !CoreUnixPath("/usr").GetParent(parent) &&
                               parent.GetUnixPath() == "/kept";
                    },
                    "CoreUnixPath.cpp", 486, "GetParent", "GetParent(parent_path)"},
        FailureCase{"ChdirEmpty", [] { return !CoreUnixPath().chdir(); }, "CoreUnixPath.cpp", 507,
                    "chdir", "!IsEmpty()"},
        FailureCase{"ChdirMissing", [] { return !CoreUnixPath(kMissing).chdir(); },
                    "CoreUnixPath.cpp", 509, "chdir", "fOk = (0==::chdir(mPath.c_str()))"},
        FailureCase{"FullyQualifiedNull", [] { return !CoreUnixPath::IsFullyQualified(kNoText); },
                    "CoreUnixPath_inlines.h", 18, "IsFullyQualified", "CoreUnixPath_NotNull"},
        FailureCase{"EmptyFullyQualified", [] { return !CoreUnixPath().IsFullyQualified(); },
                    "CoreUnixPath_inlines.h", 95, "IsFullyQualified", "!IsEmpty()"},
        FailureCase{"EmptyJustName", [] { return !CoreUnixPath().IsJustName(); },
                    "CoreUnixPath_inlines.h", 119, "IsJustName", "!IsEmpty()"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Failures that write more than one line, or a line of another file: each line in its order.
TEST(CoreUnixPathFailures, ChainedReports) {
    const char* const kFile = "CoreUnixPath.cpp";
    // A path without extension: GetPathExtension reports, then HasPathExtension.
    expectFailureLines([] { return !CoreUnixPath::HasPathExtension("movie", "mov"); },
                       {{kFile, 194, "GetPathExtension", "int(rfound_dot_at)>0"},
                        {kFile, 361, "HasPathExtension", "GetPathExtension(path, s_extension)"}});
    // "/a.b/c": the dot lies in a folder name, so the extension is appended.
    expectFailureLines(
        [] {
            std::string path = "/a.b/c";
            return CoreUnixPath::ReplacePathExtension(path, "txt") && path == "/a.b/c.txt";
        },
        {{kFile, 281, "HasValidFileExtension", "rfound_dot_at>rfound_slash_at"}});
    // "/.x": the name before the dot is the root, which takes no extension.
    expectFailureLines(
        [] {
            std::string path = "/.x";
            return !CoreUnixPath::ReplacePathExtension(path, "y") && path == "/.x";
        },
        {{kFile, 292, "AddPathExtension", "!IsRootPath(inout_path.c_str())"},
         {kFile, 326, "ReplacePathExtension", "AddPathExtension(new_path,in_extension)"}});
    // No extension to append.
    expectFailureLines(
        [] {
            std::string path = "movie";
            return !CoreUnixPath::ReplacePathExtension(path, nullptr) && path == "movie";
        },
        {{kFile, 294, "AddPathExtension", "in_extension != nullptr"},
         {kFile, 315, "ReplacePathExtension",
          "fOk = CoreUnixPath::AddPathExtension(path,in_extension)"}});
    // The working directory was removed.
    expectFailureLines(
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
        },
        {{kFile, 497, "getcwd", "::getcwd(cwd.buffer,sizeof(cwd.buffer))"}});
    // A URL that is not a file URL has no file-system path.
    expectFailureLines(
        [] {
            return URLConstructFails(
                ::CFURLCreateWithString(nullptr, TCFString("http://example.com/a").Get(), nullptr));
        },
        {{kFile, 92, "Construct", "posix_file_path"}});
    // A file URL whose path has no UTF-8 form (a lone surrogate): the string's conversion
    // reports, then each Construct on the way back.
    expectFailureLines(
        [] {
            return URLConstructFails(::CFURLCreateWithFileSystemPath(
                nullptr, Units(u"/a\xD800").Get(), kCFURLPOSIXPathStyle, false));
        },
        {{"T_CFString.cpp", 170, "GetValue",
          "fOk = ::CFStringGetCString(mValueRef,buffer_raw_string,_max_buffer_size,"
          "PreferredEncoding[i])"},
         {kFile, 108, "Construct", "fOk = TCFString(unix_file_path).GetValue(mPath)"},
         {kFile, 94, "Construct", "fOk = Construct(posix_file_path)"}});
}

} // namespace
