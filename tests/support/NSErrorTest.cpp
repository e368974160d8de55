#include "platform/foundation/NSError.h"

#include <gtest/gtest.h>

TEST(NSError, DescriptionShowsDomainCodeAndText) {
    NSAutoreleasePool pool;
    NSError* error = NSError::errorWithDomain(
        QString::fromLatin1(NSCocoaErrorDomain), 4,
        {{QString::fromLatin1(NSLocalizedDescriptionKey), QStringLiteral("The file is gone.")},
         {QString::fromLatin1(NSFilePathErrorKey), QStringLiteral("/tmp/x")}});
    EXPECT_EQ(error->description(),
              QStringLiteral("Error Domain=NSCocoaErrorDomain Code=4 \"The file is gone.\" "
                             "UserInfo={NSFilePath=/tmp/x}"));
}

TEST(NSError, WithoutTextTheDescriptionNamesDomainAndCode) {
    auto* error = new NSError(QString::fromLatin1(NSPOSIXErrorDomain), 2);
    EXPECT_EQ(error->localizedDescription(),
              "The operation couldn\u2019t be completed. (NSPOSIXErrorDomain error 2.)");
    error->release();
}
