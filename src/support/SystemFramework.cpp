#include "support/SystemFramework.h"

#include "support/CoreMachDebugLog.h"
#include "support/CoreStaticOrder.h"

#include <cerrno>

namespace SystemFramework {

constinit T_CFBaseDLL<I_CFBundleDLL> sSystem CORE_STATIC_ORDER(kCoreStaticOrder_DebugLog){
    "System.framework"};

char* getcwd(char* buffer, std::size_t size) {
    using Function = char* (*)(char*, std::size_t);
    const auto function = sSystem.Function<Function>("getcwd");
    return function ? function(buffer, size) : nullptr;
}

int mprotect(void* address, std::size_t length, int protection) {
    using Function = int (*)(void*, std::size_t, int);
    const auto function = sSystem.Function<Function>("mprotect");
    if (!function) {
        errno = ENOSYS;
        return -1;
    }
    return function(address, length, protection);
}

int chdir(const char* in_utf8_path_string) {
    using Function = int (*)(const char*);
    const auto function = sSystem.Function<Function>("chdir");
    if (!function) {
        errno = ENOSYS;
        return -1;
    }
    if (!VERIFY(in_utf8_path_string))
        return -1;
    return function(in_utf8_path_string);
}

} // namespace SystemFramework
