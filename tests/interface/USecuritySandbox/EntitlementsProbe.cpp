// Prints the running executable's answers to the sandbox and rights questions, one per line.
#include "support/UCodeEntitlements.h"

#include <cstdio>

int main() {
    const UCodeEntitlements& e = UCodeEntitlements::sEntitlements;
    std::printf("signed=%d\nsandbox=%d\nall=%d\nprint=%d\nserver=%d\nclient=%d\ncamera=%d\n"
                "bookmarks=%d\n",
                e.HasSignedBundleID(), e.HasActiveSecuritySandbox(), e.HasAccessToAllEntitlements(),
                e.HasAccessToPrinting(), e.HasAccessToNetworkServer(), e.HasAccessToNetworkClient(),
                e.HasAccessToCameraDevice(), e.HasActiveSecurityBookmarksAppScope());
    return 0;
}
