// Prints what the running executable's code signature holds, for the signing tests:
//   identifier=<text>
//   blob=<hex>
// or "unsigned".
#include "platform/security/CodeSignature.h"

#include <cstdio>

int main() {
    const auto& signature = CodeSignatureOfRunningExecutable();
    if (!signature) {
        std::printf("unsigned\n");
        return 0;
    }
    std::printf("identifier=%s\n", signature->identifier.constData());
    std::printf("blob=%s\n", signature->entitlementsBlob.toHex().constData());
    return 0;
}
