// The path algebra of CoreUnixPath on outside text, with the properties it promises.
#include "FuzzCommon.h"

#include "support/CoreUnixPath.h"

#include <string>

namespace {

bool EndsWithSlash(const std::string& text) {
    return !text.empty() && text.back() == '/';
}

void CheckWalk(const CoreUnixPath& path) {
    const std::string& text = path.GetUnixPath();
    std::string base, name;
    std::size_t steps = 0;
    for (bool more = path.GetFirstPair(base, name); more; more = path.GetNextPair(base, name)) {
        FuzzCheck(EndsWithSlash(base) || (!base.empty() && base == text), "walk: base ends in /");
        if (base != "./")
            FuzzCheck(base + name == text, "walk: base + name is the path");
        FuzzCheck(++steps <= text.size() + 1, "walk: ends");
    }
}

void CheckAlgebra(const std::string& text, const std::string& extension) {
    std::string out;
    if (CoreUnixPath::GetPathParent(text, out)) {
        FuzzCheck(EndsWithSlash(out), "parent ends in /");
        FuzzCheck(out.size() <= text.size() &&
                      text.compare(0, out.size() - 1, out, 0, out.size() - 1) == 0,
                  "parent is a prefix");
    } else {
        FuzzCheck(out.empty(), "no parent, empty output");
    }
    if (CoreUnixPath::GetPathJustName(text, out))
        FuzzCheck(out.find('/') == std::string::npos, "name has no slash");
    if (CoreUnixPath::GetPathExtension(text, out))
        FuzzCheck(text.size() >= out.size() + 2, "extension fits in the path");
    const bool valid = CoreUnixPath::HasValidFileExtension(text);
    (void)CoreUnixPath::HasPathExtension(text, extension.c_str());

    std::string replaced = text;
    if (CoreUnixPath::ReplacePathExtension(replaced, extension.c_str())) {
        const std::string bare = extension[0] == '.' ? extension.substr(1) : extension;
        FuzzCheck(replaced.size() >= bare.size() &&
                      replaced.compare(replaced.size() - bare.size(), bare.size(), bare) == 0,
                  "replaced path ends in the extension");
        if (!valid)
            FuzzCheck(replaced.compare(0, text.size(), text) == 0, "appended keeps the path");
    } else {
        FuzzCheck(replaced == text, "failed replacement leaves the path");
    }

    std::string base, name;
    if (CoreUnixPath::GetPathBasePartAndNamePart(text, base, name)) {
        if (CoreUnixPath::IsJustName(text.c_str()))
            FuzzCheck(base == text && name.empty(), "a name is all base");
        else
            FuzzCheck(base + name == text, "split keeps every byte");
    }

    std::string slashed = text;
    CoreUnixPath::AddTrailingSlash(slashed);
    FuzzCheck(EndsWithSlash(slashed), "trailing slash added");
    CoreUnixPath::RemoveTrailingSlash(slashed);

    const CoreUnixPath path(text.c_str());
    if (!path.IsEmpty()) {
        FuzzCheck(path.IsQualified() != path.IsJustName(), "qualified or just a name");
        FuzzCheck(!(path.IsFullyQualified() && path.IsPartiallyQualified()),
                  "not fully and partially qualified at once");
    }
    CheckWalk(path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietDebugLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    std::string extension = in.text(16);
    extension = extension.c_str(); // a C text stops at its first zero byte
    std::string text = in.rest();
    text = text.c_str();
    CheckAlgebra(text, extension);
    return 0;
}
