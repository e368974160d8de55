#include "platform/quartzcomposer/QCSizeExpression.h"

#include <gtest/gtest.h>

namespace {

std::optional<double> evaluate(const char* text) {
    const QHash<QString, double> variables{{QStringLiteral("WIDTH"), 640.0},
                                           {QStringLiteral("HEIGHT"), 480.0},
                                           {QStringLiteral("blurAmount"), 0.5}};
    return QCEvaluateSizeExpression(QString::fromLatin1(text), variables, nullptr);
}

} // namespace

TEST(QCSizeExpressionTest, EvaluatesArithmeticVariablesAndFunctions) {
    EXPECT_EQ(evaluate("$WIDTH"), 640.0);
    EXPECT_EQ(evaluate("floor($WIDTH / 3.0)"), 213.0);
    EXPECT_EQ(evaluate("$WIDTH * $blurAmount + -2 * (3 - 1)"), 316.0);
    EXPECT_EQ(evaluate("max($WIDTH, $HEIGHT) % 100"), 40.0);
    EXPECT_EQ(evaluate("$WIDTH > $HEIGHT ? 1 : 2"), 1.0);
    EXPECT_EQ(evaluate("clamp(pow(2, 10), 1, 512)"), 512.0);
    EXPECT_EQ(evaluate("!($WIDTH == 640) || 1e1 >= 10"), 1.0);
}

TEST(QCSizeExpressionTest, RejectsMalformedTextWithAReason) {
    for (const char* text :
         {"", "$WIDTH +", "$DEPTH", "floor(1, 2)", "(1", "1 2", "width", "#", "hypot(1)"}) {
        QString error;
        EXPECT_FALSE(QCEvaluateSizeExpression(QString::fromLatin1(text), {}, &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    // Deep nesting is refused rather than exhausting the stack.
    EXPECT_FALSE(evaluate(QByteArray(100000, '(').constData()));
    EXPECT_FALSE(evaluate(QByteArray(100000, '-').append('1').constData()));
}
