#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSObject.h"
#include "support/LogTestSupport.h"
#include "support/SyslogCapture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <syslog.h>
#include <unistd.h>

namespace {

class Named : public NSObject {
public:
    QString description() const override { return QStringLiteral("<Named 50%@>"); }
};

const auto format = NSStringFromFormat;

TEST(NSLog, ConversionsFollowTheirArgumentsPercentSignsSurviveMissingArgumentsPrintNothing) {
    EXPECT_EQ(format("%d|%5d|%-4d|%03u|%x|%X|%o", {-7, 42, 3, 9u, 255, 255, 8}),
              "-7|   42|3   |009|ff|FF|10");
    // A negative int in hexadecimal shows its own width, a 64-bit value needs no modifier.
    EXPECT_EQ(format("%x %ld %lld", {-1, std::int64_t(1) << 40, 5}), "ffffffff 1099511627776 5");
    EXPECT_EQ(format("%.2f %e %g %c %s", {3.14159, 1.0, 0.5, 'A', "txt"}),
              "3.14 1.000000e+00 0.5 A txt");
    EXPECT_EQ(format("%5s|%-5s|%.2s", {"ab", "ab", "abcdef"}), "   ab|ab   |ab");
    EXPECT_EQ(format("%*d", {4, 7}), "   7");

    auto* object = new Named;
    const NSObject* nil = nullptr;
    EXPECT_EQ(format("%@ %@ %@ %@ %@", {object, nil, QStringLiteral("q"), "c", std::string("s")}),
              "<Named 50%@> (null) q c s");
    object->release();

    EXPECT_EQ(format("100%% %s", {"a%sb%n"}), "100% a%sb%n");
    EXPECT_EQ(format("%d and %d", {1}), "1 and ");
    EXPECT_EQ(format("50%", {}), "50%");
    EXPECT_EQ(format("%k", {1}), "%k");
    EXPECT_EQ(format(nullptr, {}), QString());
}

TEST(NSLog, WritesOneTimestampedLineAndOneSyslogRecord) {
    SyslogCapture::clear();
    FdCapture err(STDERR_FILENO);
    NSLog("value=%d name=%@", 12, QStringLiteral("x%dy"));
    NSLog("ends in newline\n");
    const QString written = QString::fromStdString(err.finish());
    const QStringList lines = written.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << written.toStdString();
    EXPECT_TRUE(lines[2].isEmpty());
    const QRegularExpression header(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} %1\\[%2:\\d+\\] ")
            .arg(QRegularExpression::escape(QString::fromLocal8Bit(program_invocation_short_name)))
            .arg(::getpid()));
    EXPECT_TRUE(header.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" value=12 name=x%dy")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" ends in newline")));

    const auto records = SyslogCapture::records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message, "value=12 name=x%dy");
    EXPECT_EQ(records[0].priority, LOG_USER | LOG_NOTICE);
}

} // namespace
