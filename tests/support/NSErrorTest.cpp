#include "platform/foundation/NSError.h"

#include <gtest/gtest.h>

TEST(NSError, DescriptionShowsDomainCodeAndTextWithoutTextTheDomainAndCode) {
    NSAutoreleasePool pool;
    NSError* error = NSError::errorWithDomain(
        QString::fromLatin1(NSCocoaErrorDomain), 4,
        {{QString::fromLatin1(NSLocalizedDescriptionKey), QStringLiteral("The file is gone.")},
         {QString::fromLatin1(NSFilePathErrorKey), QStringLiteral("/tmp/x")}});
    EXPECT_EQ(error->description(),
              QStringLiteral("Error Domain=NSCocoaErrorDomain Code=4 \"The file is gone.\" "
                             "UserInfo={NSFilePath=/tmp/x}"));
    EXPECT_EQ(NSError::errorWithDomain(QString::fromLatin1(NSPOSIXErrorDomain), 2, {})
                  ->localizedDescription(),
              "The operation couldn\u2019t be completed. (NSPOSIXErrorDomain error 2.)");
}
