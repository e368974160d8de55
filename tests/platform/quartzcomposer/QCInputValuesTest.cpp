// Values of inputs in text form and on their way to the shader: longs are whole numbers, read
// and compared as integers, beyond what a float tells apart (16777217 = 2^24 + 1).

#include "QCTestSupport.h"

#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <gtest/gtest.h>

using qctest::pixel;
using qctest::RGBA;

namespace {

constexpr const char* kLongs = R"(/*{
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "mode", "TYPE": "long", "VALUES": [0, 16777217, 2147483647], "DEFAULT": 16777217},
    {"NAME": "n", "TYPE": "long", "MIN": 0, "MAX": 16777216, "DEFAULT": 16777216}
  ]
}*/
void main() {
    gl_FragColor = vec4(mode == 16777217 ? 1.0 : 0.0, n == 16777216 ? 1.0 : 0.0,
                        mode == 2147483647 ? 1.0 : 0.0, 1.0);
}
)";

TEST(QCInputValuesTest, LongsAreParsedComparedAsWholeNumbersAndLabelled) {
    NSAutoreleasePool pool;
    const QCComposition* composition = QCComposition::compositionWithData(kLongs);
    ASSERT_NE(composition, nullptr);
    const QCCompositionModel::Input& mode =
        *composition->model().inputNamed(QStringLiteral("mode"));
    const QCCompositionModel::Input& n = *composition->model().inputNamed(QStringLiteral("n"));
    EXPECT_EQ(mode.value[0], 16777217.0);
    EXPECT_EQ(mode.values, (std::vector<std::int32_t>{0, 16777217, 2147483647}));

    const auto parsed = [](const QCCompositionModel::Input& input, const char* text) {
        QString error;
        const std::optional<QCInputValue> value =
            QCParseInputValue(input, QString::fromLatin1(text), &error);
        return value ? QString::number(static_cast<qint64>((*value)[0])) : error;
    };
    EXPECT_EQ(parsed(mode, "16777217"), QStringLiteral("16777217"));
    EXPECT_EQ(parsed(mode, "2147483647"), QStringLiteral("2147483647"));
    EXPECT_EQ(parsed(mode, " 0 "), QStringLiteral("0"));
    EXPECT_EQ(parsed(n, "16777216"), QStringLiteral("16777216"));
    EXPECT_EQ(parsed(n, "1.6777216e7"), QStringLiteral("16777216"));
    const std::pair<const char*, const char*> refused[] = {
        {"16777216", "16777216 is not one of 0, 16777217, 2147483647"},
        {"2147483648", "2147483648 is outside the range of a GLSL int (-2147483648 to "
                       "2147483647)"},
        {"-2147483649", "outside the range of a GLSL int"},
        {"1e300", "outside the range of a GLSL int"},
        {"99999999999999999999", "outside the range of a GLSL int"},
        {"1.5", "\"1.5\" is not a whole number"},
        {"nan", "\"nan\" is not a number"},
        {"three", "\"three\" is not a number"},
    };
    for (const auto& [text, reason] : refused)
        EXPECT_TRUE(parsed(mode, text).contains(QLatin1StringView(reason)))
            << text << ": " << parsed(mode, text).toStdString();
    EXPECT_TRUE(parsed(n, "16777217").contains(QStringLiteral("outside its range 0 to 16777216")))
        << parsed(n, "16777217").toStdString();

    EXPECT_EQ(QCDescribeInput(mode),
              QStringLiteral("mode  long  default 16777217  values 0,16777217,2147483647"));
    EXPECT_EQ(QCDescribeInput(n), QStringLiteral("n  long  default 16777216  range 0 to 16777216"));

    // LABELS name the VALUES one for one; a value whose label is missing or no text shows its
    // number.
    const QCComposition* labelled = QCComposition::compositionWithData(R"(/*{
  "INPUTS": [
    {"NAME": "shape", "TYPE": "long", "VALUES": [2, "x", 3, 4], "LABELS": ["Two", "?", 7]},
    {"NAME": "count", "TYPE": "long", "VALUES": [1, 2]}
  ]
}*/
void main() { gl_FragColor = vec4(float(shape + count)); }
)");
    ASSERT_NE(labelled, nullptr);
    const QCCompositionModel::Input& shape = *labelled->model().inputNamed(QStringLiteral("shape"));
    EXPECT_EQ(shape.values, (std::vector<std::int32_t>{2, 3, 4}));
    EXPECT_EQ(shape.labels, (std::vector<QString>{QStringLiteral("Two"), QStringLiteral("3"),
                                                  QStringLiteral("4")}));
    EXPECT_TRUE(labelled->model().inputNamed(QStringLiteral("count"))->labels.empty());
}

// The defaults and the values given reach the shader's ints exactly; a file whose long no int
// holds is refused with one line.
TEST(QCInputValuesTest, LongsReachTheShaderAsTheWholeNumbersGiven) {
    NSRef<QCRenderer> renderer = qctest::rendererOf(QString::fromLatin1(kLongs), QSize(2, 2));
    ASSERT_TRUE(renderer);
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {0.0}), 0, 0), (RGBA{255, 255, 0, 255}));
    ASSERT_TRUE(renderer->setValueForInputKey({2147483647.0, 0, 0, 0}, QStringLiteral("mode")));
    ASSERT_TRUE(renderer->setValueForInputKey({1e300, 0, 0, 0}, QStringLiteral("n")));
    EXPECT_EQ(pixel(qctest::render(renderer.get(), {0.1}), 0, 0), (RGBA{0, 0, 255, 255}));

    for (const char* entry : {R"("VALUES": [1, 4294967296])", R"("DEFAULT": -3000000000)"}) {
        const QString text =
            QStringLiteral("/*{ \"INPUTS\": [ {\"NAME\": \"m\", \"TYPE\": \"long\", %1} ] }*/\n"
                           "void main() { gl_FragColor = vec4(float(m)); }\n")
                .arg(QLatin1StringView(entry));
        QString log;
        EXPECT_FALSE(qctest::parses(text.toUtf8(), {}, &log)) << entry;
        EXPECT_TRUE(
            qctest::oneLineSaying(log, QStringLiteral("is outside the range of a GLSL int")));
    }
}

} // namespace
