// The System framework: the C library. Its functions (getcwd, chdir, mprotect, ...) are looked
// up through this library's handle, which searches the libraries it depends on.
#include <unistd.h>

extern "C" __attribute__((visibility("default"))) const char* LumenreelSystemFrameworkName() {
    // Keeps a reference to the C library so that the linker records the dependency.
    return ::getpagesize() > 0 ? "System.framework" : "";
}
