#include "support/CocoaMachDebugLog.h"

#include "platform/foundation/NSError.h"
#include "platform/foundation/NSLog.h"

void __VerifiedNSErrorNilBody(const NSError* error, const char* file, const char* function,
                              int line, const char* note) {
    NSLog("VERIFIED_NSERROR(%@, FN:%s __FILE__:%s __LINE__:%d\n%s", error, function ? function : "",
          file ? file : "", line, note ? note : "");
}
