#pragma once

#include <string>

struct __CFString;
struct __CFURL;

// A POSIX file-system path held as UTF-8 text, and the same path algebra as class operations on
// plain texts: parent, last name, extension, qualification, a walk over the directory prefixes,
// and thin wrappers over the POSIX file calls. Pure text: nothing resolves ".", "..", links or
// repeated slashes. Failures write one VERIFY line and return false.
class CoreUnixPath {
public:
    CoreUnixPath() = default;
    CoreUnixPath(const char* in_path);
    CoreUnixPath(const __CFString* in_path);
    CoreUnixPath(const __CFURL* in_url);
    CoreUnixPath(const CoreUnixPath& copyOf) = default;
    CoreUnixPath& operator=(const CoreUnixPath& copyOf) = default;
    virtual ~CoreUnixPath() = default;

    // A null text clears the path; true when the path is not empty afterwards.
    bool Construct(const char* in_path);
    // The string as UTF-8; a null string clears the path.
    bool Construct(const __CFString* unix_file_path);
    // The URL's POSIX file-system path; a null URL clears the path.
    bool Construct(const __CFURL* unix_file_url);

    operator const char*() const { return mPath.c_str(); }
    const std::string& GetUnixPath() const { return mPath; }

    bool IsEmpty() const { return mPath.empty(); }
    // Whether the path is empty; leaves it as it is.
    bool Empty() { return mPath.empty(); }
    bool IsRoot() const { return IsRootPath(mPath.c_str()); }
    bool IsFullyQualified() const;
    bool IsPartiallyQualified() const;
    bool IsQualified() const;
    bool IsJustName() const;

    bool RemoveTrailingSlash();
    bool GetParent(std::string& out_parent) const;
    bool GetParent(CoreUnixPath& out_parent_path) const;
    bool GetJustName(std::string& out_name) const;
    bool GetExtension(std::string& out_ext) const;
    bool ReplaceExtension(const char* in_extension);
    bool HasExtension(const char* in_extension) const;

    // The walk over the directory prefixes: each pair splits the path into a base ending in "/"
    // and the rest. GetNextPair returns false when the walk is over.
    bool GetFirstPair(std::string& base, std::string& name) const;
    bool GetNextPair(std::string& base, std::string& name) const;

    // The process's working directory.
    bool chdir() const;
    bool getcwd();

    // Class operations on texts. Output strings are cleared first.
    static bool IsRootPath(const char* in_path);
    static bool IsFullyQualified(const char* in_path);
    static bool IsPartiallyQualified(const char* in_path);
    static bool IsQualified(const char* in_path);
    static bool IsJustName(const char* in_path);
    static bool AddTrailingSlash(std::string& inout_path);
    static bool RemoveTrailingSlash(std::string& inout_path);
    static bool GetPathParent(const std::string& path, std::string& out_parent);
    static bool GetPathJustName(const std::string& path, std::string& out_name);
    static bool AddPathExtension(std::string& inout_path, const char* in_extension);
    static bool HasValidFileExtension(const std::string& path);
    static bool GetPathExtension(const std::string& path, std::string& out_ext);
    static bool ReplacePathExtension(std::string& path, const char* in_extension);
    static bool HasPathExtension(const std::string& path, const char* in_extension);
    static bool GetPathBasePartAndNamePart(const std::string& path, std::string& base,
                                           std::string& name);

    static bool FileExists(const char* in_path);
    static bool FileExistsRead(const char* in_path);
    static bool FileExistsWrite(const char* in_path);
    static bool FileExistsReadWrite(const char* in_path);
    static bool FileDelete(const char* in_path);
    static bool FolderDelete(const char* in_path);
    // A symbolic link at `in_to` that points at `in_from`; false without trying when `in_from`
    // is not readable.
    static bool MakeSymbolicLinkFromTo(const char* in_from, const char* in_to);

    static const std::string s_slash_str_const;

protected:
    std::string mPath;
};

#include "support/CoreUnixPath_inlines.h"
