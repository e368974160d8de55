#include "support/CoreServicesFramework.h"

namespace CoreServicesFramework {

const char* StatusText(const char*, int) {
    return "";
}

} // namespace CoreServicesFramework
