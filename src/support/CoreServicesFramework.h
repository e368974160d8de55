#pragma once

#include "support/CFBaseDLL.h"

// The platform's texts for status codes, from CoreServices.framework loaded on first need and
// unloaded at exit.
namespace CoreServicesFramework {

extern T_CFBaseDLL<I_CFBundleDLL> sCoreServices;

// Calls the framework's function of that name ("GetMacOSStatusErrorString",
// "GetMacOSStatusCommentString") with the status; "" when any step fails or it has no text.
const char* StatusText(const char* functionName, int err);

} // namespace CoreServicesFramework
