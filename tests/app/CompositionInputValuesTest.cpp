// The window's values for a composition's inputs: texts a command line takes, giving back the
// very values; only values other than the defaults go into a job or the settings file.

#include "app/job/CompositionInputValues.h"

#include "platform/quartzcomposer/QCInputValues.h"

#include <gtest/gtest.h>

namespace {

using Model = QCCompositionModel;

Model::Input input(const char* name, Model::InputType type, QCInputValue value = {0, 0, 0, 0}) {
    Model::Input made;
    made.name = QString::fromLatin1(name);
    made.type = type;
    made.value = value;
    return made;
}

Model model() {
    Model made;
    Model::Input level = input("level", Model::InputType::Float, {0.5, 0, 0, 0});
    level.min = QCInputValue{0, 0, 0, 0};
    level.max = QCInputValue{2, 0, 0, 0};
    Model::Input shape = input("shape", Model::InputType::Long, {2, 0, 0, 0});
    shape.values = {1, 2, 3};
    made.inputs = {input("picture", Model::InputType::Image),
                   level,
                   shape,
                   input("flash", Model::InputType::Event),
                   input("tint", Model::InputType::Color, {1, 0, 0, 1}),
                   input("centre", Model::InputType::Point2D),
                   input("lit", Model::InputType::Bool, {1, 0, 0, 0}),
                   input("wave", Model::InputType::Audio)};
    return made;
}

TEST(CompositionInputValuesTest, EachTextGivesBackTheVeryValue) {
    const Model::Input free = input("x", Model::InputType::Float);
    for (const double number : {0.1, 1.0 / 3.0, -2.5e-7, 123456789.123456789, 1e-300, 0.0}) {
        const QString text = compositionInputValueText(free, {number, 0, 0, 0});
        QString error;
        const std::optional<QCInputValue> parsed = QCParseInputValue(free, text, &error);
        ASSERT_TRUE(parsed) << error.toStdString();
        EXPECT_EQ((*parsed)[0], number) << text.toStdString();
    }
    const Model::Input colour = input("c", Model::InputType::Color);
    const QCInputValue rgba{double(0.9f), 1.0 / 3.0, 0.0, double(0.25f)};
    EXPECT_EQ(QCParseInputValue(colour, compositionInputValueText(colour, rgba), nullptr), rgba);
    EXPECT_EQ(compositionInputValueText(input("n", Model::InputType::Long), {-7, 0, 0, 0}),
              QStringLiteral("-7"));
    EXPECT_EQ(compositionInputValueText(input("b", Model::InputType::Bool), {1, 0, 0, 0}),
              QStringLiteral("true"));
    EXPECT_EQ(compositionInputValueText(input("p", Model::InputType::Point2D), {0.5, -1, 0, 0}),
              QStringLiteral("0.5,-1"));
}

TEST(CompositionInputValuesTest, AJobGetsTheValuesOtherThanTheDefaultsInTheFilesOrder) {
    CompositionInputValues values;
    values.setInputs(model());
    // Pictures and sound take files, not values.
    ASSERT_EQ(values.inputs().size(), 6u);
    EXPECT_EQ(values.inputNamed(QStringLiteral("picture")), nullptr);
    EXPECT_EQ(values.inputNamed(QStringLiteral("wave")), nullptr);

    QString error;
    EXPECT_TRUE(values.setValueText(QStringLiteral("lit"), QStringLiteral("no"), &error));
    EXPECT_TRUE(values.setValue(QStringLiteral("level"), {1.25, 0, 0, 0}, &error));
    EXPECT_TRUE(values.setValueText(QStringLiteral("flash"), QStringLiteral("true"), &error));
    // Back at its default, a value is none.
    EXPECT_TRUE(values.setValueText(QStringLiteral("shape"), QStringLiteral("3"), &error));
    EXPECT_TRUE(values.setValueText(QStringLiteral("shape"), QStringLiteral("2"), &error));
    const QList<QPair<QString, QString>> expected{{"level", "1.25"}, {"lit", "no"}};
    EXPECT_EQ(values.settings(), expected);
    EXPECT_FALSE(values.isSet(QStringLiteral("flash")));

    // Refused as a command line's value is, with its reason (each reason is the job checks'); the
    // value stays.
    EXPECT_FALSE(values.setValueText(QStringLiteral("level"), QStringLiteral("2.5"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("outside its range 0 to 2"))) << error.toStdString();
    EXPECT_EQ(values.settings(), expected);
    EXPECT_EQ(values.value(QStringLiteral("level"))[0], 1.25);

    values.reset();
    EXPECT_TRUE(values.settings().isEmpty());
    EXPECT_EQ(values.value(QStringLiteral("tint")), (QCInputValue{1, 0, 0, 1}));
}

TEST(CompositionInputValuesTest, SavedValuesThatNoLongerFitAreLeftOutOneLineEach) {
    CompositionInputValues values;
    values.setInputs(model());
    values.setValueText(QStringLiteral("level"), QStringLiteral("1.5"), nullptr);
    const QVariantMap saved = values.toVariantMap();
    EXPECT_EQ(saved, (QVariantMap{{"level", "1.5"}}));

    CompositionInputValues restored;
    restored.setInputs(model());
    QVariantMap map = saved;
    map.insert(QStringLiteral("gone"), QStringLiteral("1"));
    map.insert(QStringLiteral("shape"), QStringLiteral("9"));
    map.insert(QStringLiteral("lit"), QVariantList{1, 2});
    const QStringList leftOut = restored.setFromVariantMap(map);
    EXPECT_EQ(leftOut.size(), 3) << leftOut.join('\n').toStdString();
    EXPECT_EQ(restored.settings(), values.settings());
}

} // namespace

TEST(CompositionInputValuesTest, KeysAndBandsTakeThePlaceOfAConstantAndAreSavedAsTheyAreGiven) {
    CompositionInputValues values;
    values.setInputs(model());
    QString error;
    ASSERT_TRUE(values.setValueText("level", "1.5", &error)) << error.toStdString();
    // A key replaces the constant; a second key at the same time replaces the first.
    ASSERT_TRUE(values.setValueText("level@2", "2", &error)) << error.toStdString();
    ASSERT_TRUE(values.setValueText("level@0.5", "0", &error)) << error.toStdString();
    ASSERT_TRUE(values.setValueText("level@2", "1", &error)) << error.toStdString();
    ASSERT_TRUE(values.setValueText("tint@1", "0,0,1,1", &error)) << error.toStdString();
    EXPECT_EQ(values.motion("level"), QStringLiteral("keys"));
    EXPECT_EQ(values.keyTimes("level"), (std::vector<double>{0.5, 2.0}));
    const QList<QPair<QString, QString>> keyed{
        {"level@0.5", "0"}, {"level@2", "1"}, {"tint@1", "0,0,1,1"}};
    EXPECT_EQ(values.settings(), keyed);

    // Saved and taken back, the same settings.
    CompositionInputValues reread;
    reread.setInputs(model());
    EXPECT_TRUE(reread.setFromVariantMap(values.toVariantMap()).isEmpty());
    EXPECT_EQ(reread.settings(), keyed);

    // A band replaces the keys; what does not fit changes nothing (the reasons are the job
    // checks').
    EXPECT_FALSE(values.setValueText("level@1", "3", &error));
    EXPECT_FALSE(values.setValueText("level", "sound:drums", &error));
    EXPECT_EQ(values.settings(), keyed);
    ASSERT_TRUE(values.setValueText("level", "sound:bass*2", &error)) << error.toStdString();
    EXPECT_EQ(values.motion("level"), QStringLiteral("sound:bass*2"));
    EXPECT_EQ(values.settings(),
              (QList<QPair<QString, QString>>{{"level", "sound:bass*2"}, {"tint@1", "0,0,1,1"}}));

    // Made constant, keys leave their value at that time; a constant replaces a band.
    ASSERT_TRUE(values.setValueText("centre@0", "0,0", &error));
    ASSERT_TRUE(values.setValueText("centre@2", "1,-1", &error));
    values.makeConstant("centre", 1.0);
    EXPECT_EQ(values.motion("centre"), QString());
    EXPECT_EQ(values.value("centre"), (QCInputValue{0.5, -0.5, 0, 0}));
    ASSERT_TRUE(values.setValueText("level", "1", &error));
    EXPECT_EQ(values.motion("level"), QString());
    values.reset();
    EXPECT_TRUE(values.settings().isEmpty());
}
