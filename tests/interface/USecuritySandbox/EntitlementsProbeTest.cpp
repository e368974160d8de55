// A signed and an unsigned build of one program answer the sandbox and rights questions.
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString answers(const char* program) {
    QProcess process;
    process.start(QString::fromUtf8(program), {});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

TEST(EntitlementsProbe, SignedBuildIsSandboxedWithOnlyBooleanTrueRights) {
    // The probe's entitlements: sandbox, bookmarks and network server true, printing false,
    // network client the string "true", camera the number 1.
    EXPECT_EQ(answers(ENTITLEMENTS_PROBE_SIGNED),
              QString("signed=1\nsandbox=1\nall=0\nprint=0\nserver=1\nclient=0\ncamera=0\n"
                      "bookmarks=1\n"));
}

TEST(EntitlementsProbe, UnsignedBuildHoldsEveryRight) {
    EXPECT_EQ(answers(ENTITLEMENTS_PROBE_UNSIGNED),
              QString("signed=0\nsandbox=0\nall=1\nprint=1\nserver=1\nclient=1\ncamera=1\n"
                      "bookmarks=1\n"));
}
