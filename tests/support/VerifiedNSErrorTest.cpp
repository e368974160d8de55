#include "platform/foundation/NSError.h"
#include "support/CocoaMachDebugLog.h"
#include "support/LogTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

TEST(VerifiedNSError, ReportsAnErrorObjectThroughNSLogAndANilErrorNotAtAll) {
    auto* error = new NSError(
        QStringLiteral("NSCocoaErrorDomain"), 260,
        {{QString::fromLatin1(NSLocalizedDescriptionKey), QStringLiteral("No such file.")}});
    NSError* nil = nullptr;
    FdCapture err(STDERR_FILENO);
    EXPECT_TRUE(VERIFIED_NSERROR(nil));
    EXPECT_TRUE(VERIFIED_NSERROR_IN("-[Any method:]", nil));
    const int line = __LINE__ + 1;
    const bool clean = VERIFIED_NSERROR(error);
    const std::string written = err.finish();
    EXPECT_FALSE(clean);
    const std::string expected = "VERIFIED_NSERROR(Error Domain=NSCocoaErrorDomain Code=260 "
                                 "\"No such file.\", FN:TestBody __FILE__:" +
                                 std::string(__FILE__) + " __LINE__:" + std::to_string(line) +
                                 "\n SOURCE error\n";
    ASSERT_GE(written.size(), expected.size());
    EXPECT_EQ(written.substr(written.size() - expected.size()), expected) << written;
    // One NSLog line with its header: the nil errors wrote nothing before it.
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2) << written;
    error->release();
}
