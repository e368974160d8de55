#include "support/CoreUnixPath.h"

#include "support/CoreStaticOrder.h"
#include "support/T_CFString.h"

#include "platform/corefoundation/CFURL.h"

#include <unistd.h>

#include <cctype>
#include <cstring>

// Every failure below is reported with its file and the line its check names, which log readers
// rely on.

// Vocabulary, for a non-empty text p:
//   fully qualified      p begins with "/"
//   partially qualified  p does not begin with "/" but holds a "/" somewhere
//   qualified            fully or partially qualified
//   just a name          p holds no "/" at all
//   root                 p is exactly "/"
// Positions are byte offsets; the last slash and the last dot are searched backwards over the
// whole text, and a search that finds nothing counts as position -1.

CORE_STATIC_ORDER(kCoreStaticOrder_PathConstants)
const std::string CoreUnixPath::s_slash_str_const("/");

CoreUnixPath::CoreUnixPath(const char* in_path) {
    Construct(in_path);
}

CoreUnixPath::CoreUnixPath(const __CFString* in_path) {
    Construct(in_path);
}

CoreUnixPath::CoreUnixPath(const __CFURL* in_url) {
    Construct(in_url);
}

// A null text clears the path. The text is taken as it is: no normalisation of any kind.
bool CoreUnixPath::Construct(const char* in_path) {
    if (in_path == nullptr)
        mPath.clear();
    else
        mPath = in_path;
    return !mPath.empty();
}

// "" becomes "/" (true); "/a/" is left alone (false); "a" becomes "a/" (true).
bool CoreUnixPath::AddTrailingSlash(std::string& inout_path) {
    if (!inout_path.empty() && inout_path.back() == '/')
        return false;
    inout_path += s_slash_str_const;
    return true;
}

// Removes one final "/": "/a//" becomes "/a/", "/" becomes "". False when there is none.
bool CoreUnixPath::RemoveTrailingSlash(std::string& inout_path) {
    if (inout_path.empty() || inout_path.back() != '/')
        return false;
    inout_path.pop_back();
    return true;
}

// The parent folder, with a trailing "/":
//   /usr/local/bin and /usr/local/bin/  ->  /usr/local/
//   a/b                                 ->  a/
// The root, a name without slash ("usr") and a name just below the root ("/usr", "/usr/")
// have no parent: false with an empty output (never "/").
bool CoreUnixPath::GetPathParent(const std::string& path, std::string& out_parent) {
    out_parent.clear();
    if (IsRootPath(path.c_str()))
        return false;
    std::string copy = path;
    RemoveTrailingSlash(copy);
    const std::size_t rfound_slash_at = copy.rfind('/');
    if (rfound_slash_at == std::string::npos || rfound_slash_at == 0)
        return false;
    out_parent = copy.substr(0, rfound_slash_at);
    AddTrailingSlash(out_parent);
    return true;
}

// The URL's POSIX file-system path. A null URL clears the path; a URL without a path, or a path
// that cannot be read as UTF-8, fails and leaves the path empty.
bool CoreUnixPath::Construct(const __CFURL* unix_file_url) {
    bool fOk = VERIFY_AT(89, "unix_file_url", unix_file_url);
    CFStringRef posix_file_path =
        fOk ? ::CFURLCopyFileSystemPath(unix_file_url, kCFURLPOSIXPathStyle) : nullptr;
    if (fOk && VERIFY_AT(92, "posix_file_path", posix_file_path)) {
        // The string reports its own failure too.
        VERIFY_AT(94, "fOk = Construct(posix_file_path)", fOk = Construct(posix_file_path));
        ::CFRelease(posix_file_path);
    } else {
        mPath.clear();
        fOk = false;
    }
    return fOk;
}

// The string as UTF-8; a null string, or one with a zero character inside, clears the path.
bool CoreUnixPath::Construct(const __CFString* unix_file_path) {
    bool fOk = false;
    if (!VERIFY_AT(106, "unix_file_path", unix_file_path))
        mPath.clear();
    else
        VERIFY_AT(108, "fOk = TCFString(unix_file_path).GetValue(mPath)",
                  fOk = TCFString(unix_file_path).GetValue(mPath));
    // File calls would read the path only up to the zero: a different file.
    if (fOk && !VERIFY_AT(110, "!TCFString(unix_file_path).HasZeroCharacter()",
                          !TCFString(unix_file_path).HasZeroCharacter()))
        mPath.clear(), fOk = false;
    return fOk;
}

// Splits a path after its first slash, so that base + name is the path and base ends in "/":
//   /usr/local  ->  ("/", "usr/local")       "/"    ->  ("/", "")
//   usr/local   ->  ("usr/", "local")        "tool" ->  ("tool", "")
// A name without slash is all base (the walk over the prefixes treats it separately). Nothing
// is normalised: "a//b" gives ("a/", "/b"), and the walk then stops there because "/b" is no
// partially qualified name. The empty text is refused.
//
// This is one step of the walk in GetFirstPair and GetNextPair: each step splits what is left
// of the path after the base found so far.
bool CoreUnixPath::GetPathBasePartAndNamePart(const std::string& path, std::string& base,
                                              std::string& name) {
    base.clear();
    name.clear();
    const std::size_t path_length = path.size();
    if (!VERIFY_AT(130, "path_length", path_length))
        return false;
    if (IsFullyQualified(path.c_str())) {
        base = s_slash_str_const;
        name = path.substr(1);
        return true;
    }
    if (IsJustName(path.c_str())) {
        base = path;
        return true;
    }
    // Partially qualified: the first slash lies after the first byte, so position 0 cannot
    // occur here.
    const std::size_t found_slash_at = path.find('/');
    if (!VERIFY_AT(144, "int(found_slash_at)>0", int(found_slash_at) > 0))
        return false;
    base = path.substr(0, found_slash_at) + s_slash_str_const;
    name = path.substr(found_slash_at + 1);
    return true;
}

// Existence and access tests through access(2), with the process's real user and group. They
// report nothing: a missing file is an answer, not a fault. A null text is no file.
//   FileExists           the path exists (mode F_OK)
//   FileExistsRead       it exists and is readable (R_OK)
//   FileExistsWrite      it exists and is readable and writable (R_OK | W_OK)
//   FileExistsReadWrite  the same
// "Writable" asks for reading and writing both, so a write-only file does not count as
// writable. The answers are only as good as the moment they were asked: another process may
// change the file right after.
bool CoreUnixPath::FileExists(const char* in_path) {
    return in_path != nullptr && ::access(in_path, F_OK) == 0;
}

bool CoreUnixPath::FileExistsRead(const char* in_path) {
    return in_path != nullptr && ::access(in_path, R_OK) == 0;
}

bool CoreUnixPath::FileExistsWrite(const char* in_path) {
    return in_path != nullptr && ::access(in_path, R_OK | W_OK) == 0;
}

bool CoreUnixPath::FileExistsReadWrite(const char* in_path) {
    return in_path != nullptr && ::access(in_path, R_OK | W_OK) == 0;
}

// Everything after the last dot, with no test for a slash after it: "a.b.c" gives "c" and
// "/a.b/c" gives "b/c". The root, texts without a dot and texts whose only dot is the first
// byte (".profile") have no extension.
bool CoreUnixPath::GetPathExtension(const std::string& path, std::string& out_ext) {
    out_ext.clear();
    if (!VERIFY_AT(188, "!IsRootPath(path.c_str())", !IsRootPath(path.c_str())))
        return false;
    const std::size_t rfound_dot_at = path.rfind('.');
    // A dot at position 0 starts a hidden name (".profile"), which has no extension; no dot
    // at all reads as position -1. Both are reported: the caller asked for an extension that
    // is not there.
    if (!VERIFY_AT(194, "int(rfound_dot_at)>0", int(rfound_dot_at) > 0))
        return false;
    out_ext = path.substr(rfound_dot_at + 1);
    return true;
}

// --- File-system calls --------------------------------------------------------------------
//
// Thin wrappers over the POSIX calls. Removal and linking report a failure with the call as
// written and return false; nothing is retried.

// Removes an empty folder.
bool CoreUnixPath::FolderDelete(const char* in_path) {
    bool fOk = false;
    VERIFY_AT(240, "fOk = (0==rmdir(in_path))", fOk = (0 == rmdir(in_path)));
    return fOk;
}

// Removes a file or a link (not what it points at).
bool CoreUnixPath::FileDelete(const char* in_path) {
    bool fOk = false;
    VERIFY_AT(247, "fOk = (0==unlink(in_path))", fOk = (0 == unlink(in_path)));
    return fOk;
}

// Makes a symbolic link at in_to that points at in_from. An unreadable in_from is refused
// without trying and without a report. A trailing slash is removed from both texts first.
bool CoreUnixPath::MakeSymbolicLinkFromTo(const char* in_from, const char* in_to) {
    if (!FileExistsRead(in_from) || in_to == nullptr)
        return false;
    std::string from(in_from), to(in_to);
    RemoveTrailingSlash(from);
    RemoveTrailingSlash(to);
    const int posix_result = ::symlink(from.c_str(), to.c_str());
    bool fOk = false;
    VERIFY_AT(261, "fOk = (0==posix_result)", fOk = (0 == posix_result));
    return fOk;
}

// True when the last dot belongs to the last name and is not its first byte: "a.b.c" and
// "/x/.profile" have one (the latter "profile"), ".profile" and "movie" have none. A dot in a
// folder name ("/a.b/c") is reported and is no extension.
bool CoreUnixPath::HasValidFileExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const long rfound_dot_at = long(dot);
    const std::size_t slash = path.rfind('/');
    const long rfound_slash_at = slash == std::string::npos ? -1 : long(slash);
    return VERIFY_AT(281, "rfound_dot_at>rfound_slash_at", rfound_dot_at > rfound_slash_at);
}

// Appends "." and the extension; an extension that begins with "." is appended as it is, and
// the empty extension leaves a lone dot ("movie" -> "movie."). The root takes no extension.
bool CoreUnixPath::AddPathExtension(std::string& inout_path, const char* in_extension) {
    if (!VERIFY_AT(292, "!IsRootPath(inout_path.c_str())", !IsRootPath(inout_path.c_str())))
        return false;
    if (!VERIFY_AT(294, "in_extension != nullptr", in_extension != nullptr))
        return false;
    if (in_extension[0] != '.')
        inout_path += '.';
    inout_path += in_extension;
    return true;
}

// Replaces the extension after the last dot of the last name, or adds one where there is none:
//   "movie.mov" with "qtz"   ->  "movie.qtz"
//   "movie" with ".qtz"      ->  "movie.qtz"
//   "/a.b/c" with "txt"      ->  "/a.b/c.txt" (after a report from HasValidFileExtension)
// The root takes no extension.
bool CoreUnixPath::ReplacePathExtension(std::string& path, const char* in_extension) {
    bool fOk = false;
    if (!VERIFY_AT(312, "!IsRootPath(path.c_str())", !IsRootPath(path.c_str())))
        return false;
    if (!HasValidFileExtension(path)) {
        VERIFY_AT(315, "fOk = CoreUnixPath::AddPathExtension(path,in_extension)",
                  fOk = CoreUnixPath::AddPathExtension(path, in_extension));
        return fOk;
    }
    // Replace what follows the last dot; HasValidFileExtension made sure that it lies after
    // the last slash and after the first byte.
    const std::size_t rfound_dot_at = path.rfind('.');
    if (!VERIFY_AT(321, "int(rfound_dot_at)>0", int(rfound_dot_at) > 0))
        return false;
    std::string new_path = path.substr(0, rfound_dot_at);
    // The path is changed only when the new extension could be added ("/.x" keeps its name:
    // the root takes no extension).
    if (!VERIFY_AT(326, "AddPathExtension(new_path,in_extension)",
                   AddPathExtension(new_path, in_extension)))
        return false;
    path = new_path;
    return true;
}

namespace {

// Byte-wise equality after tolower on both sides; both texts must end together.
bool EqualIgnoringCase(const std::string& in_lhs, const char* in_rhs) {
    std::size_t i = 0;
    for (; i < in_lhs.size() && in_rhs[i] != 0; ++i) {
        if (std::tolower(static_cast<unsigned char>(in_lhs[i])) !=
            std::tolower(static_cast<unsigned char>(in_rhs[i])))
            return false;
    }
    return i == in_lhs.size() && in_rhs[i] == 0;
}

} // namespace

// Compares the path's extension with the wanted one, ignoring case and one leading dot of the
// wanted one:
//   "clip.MOV" with ".mov" or "mov"   true
//   "clip.MOV" with "mo" or "movie"   false
//   "clip.tar.gz" with "gz"           true (only the last extension counts)
// A path without an extension is reported and has none.
bool CoreUnixPath::HasPathExtension(const std::string& path, const char* in_extension) {
    if (!VERIFY_AT(358, "in_extension != nullptr", in_extension != nullptr))
        return false;
    std::string s_extension;
    if (!VERIFY_AT(361, "GetPathExtension(path, s_extension)", GetPathExtension(path, s_extension)))
        return false;
    if (in_extension[0] == '.')
        ++in_extension;
    return EqualIgnoringCase(s_extension, in_extension);
}

// The last name, without trailing slash: "/usr/local/" -> "local", "a/b/" -> "b". A name
// without slash ("usr") or just below the root ("/usr") gives none; the root is reported.
bool CoreUnixPath::GetPathJustName(const std::string& path, std::string& out_name) {
    out_name.clear();
    if (!VERIFY_AT(378, "!IsRootPath(path.c_str())", !IsRootPath(path.c_str())))
        return false;
    std::string copy = path;
    RemoveTrailingSlash(copy);
    const std::size_t rfound_slash_at = copy.rfind('/');
    if (rfound_slash_at == std::string::npos || rfound_slash_at == 0)
        return false;
    out_name = copy.substr(rfound_slash_at + 1);
    return true;
}

// --- Walking the directory prefixes -------------------------------------------------------

// The walk over the directory prefixes of the path, for code that must visit or create each
// folder on the way down (for example to make a folder hierarchy one level at a time). Each
// step yields (base, name) with base + name == path and base ending in "/":
//
//   CoreUnixPath path("/usr/local/bin/tool");
//   std::string base, name;
//   for (bool more = path.GetFirstPair(base, name); more; more = path.GetNextPair(base, name))
//       ...;
//
// gives ("/", "usr/local/bin/tool"), ("/usr/", "local/bin/tool"), ("/usr/local/", "bin/tool")
// and ("/usr/local/bin/", "tool"). "a/b" gives one pair ("a/", "b"), "tool" one pair
// ("./", "tool") and "/" one pair ("/", "").
bool CoreUnixPath::GetFirstPair(std::string& base, std::string& name) const {
    base.clear();
    name.clear();
    if (!VERIFY_AT(433, "!IsEmpty()", !IsEmpty()))
        return false;
    if (IsJustName(mPath.c_str())) {
        base = "./";
        name = mPath;
        return true;
    }
    return GetPathBasePartAndNamePart(mPath, base, name);
}

// Moves the split one folder further; false when the name holds no further slash, which ends
// the walk. The base and name must come from the previous step: the base is a prefix of the
// path that ends in "/", the name the rest. Repeated slashes are not skipped: "a//b" stops
// after its first pair, since the rest "/b" begins with a slash.
bool CoreUnixPath::GetNextPair(std::string& base, std::string& name) const {
    const std::size_t base_length = base.size();
    if (!VERIFY_AT(454, "!IsEmpty() && (base_length>0)", !IsEmpty() && (base_length > 0)))
        return false;
    if (!IsPartiallyQualified(name.c_str()))
        return false;
    // A base that is not a prefix of the path did not come from this walk.
    if (!VERIFY_AT(459, "base_length < mPath.size() && mPath.compare(0, base_length, base) == 0",
                   base_length < mPath.size() && mPath.compare(0, base_length, base) == 0))
        return false;
    std::string next_base;
    const bool fOk = GetPathBasePartAndNamePart(mPath.substr(base_length), next_base, name);
    base += next_base;
    return fOk;
}

// --- Operations on the held path that report --------------------------------------------

// The parent folder as a path of its own; see GetPathParent. "/usr/local/bin" gives
// "/usr/local/"; a path without parent ("/", "/usr", "tool") is reported and leaves the
// given object as it was.
bool CoreUnixPath::GetParent(CoreUnixPath& out_parent_path) const {
    std::string parent_path;
    if (!VERIFY_AT(486, "GetParent(parent_path)", GetParent(parent_path)))
        return false;
    bool fOk = false;
    VERIFY_AT(488, "fOk=out_parent_path.Construct(parent_path.c_str())",
              fOk = out_parent_path.Construct(parent_path.c_str()));
    return fOk;
}

// The process's working directory (process-wide: not safe against other threads using it).
bool CoreUnixPath::getcwd() {
    struct {
        char buffer[1025];
    } cwd = {};
    if (!VERIFY_AT(497, "::getcwd(cwd.buffer,sizeof(cwd.buffer))",
                   ::getcwd(cwd.buffer, sizeof(cwd.buffer))))
        return false;
    bool fOk = false;
    VERIFY_AT(499, "fOk = Construct(cwd.buffer)", fOk = Construct(cwd.buffer));
    return fOk;
}

// Makes the path the process's working directory.
bool CoreUnixPath::chdir() const {
    if (!VERIFY_AT(507, "!IsEmpty()", !IsEmpty()))
        return false;
    bool fOk = false;
    VERIFY_AT(509, "fOk = (0==::chdir(mPath.c_str()))", fOk = (0 == ::chdir(mPath.c_str())));
    return fOk;
}
