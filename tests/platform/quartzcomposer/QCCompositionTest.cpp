#include "QCTestSupport.h"

#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>
#include <utility>

using qctest::parses;

TEST(QCCompositionTest, RecognisesISFAndShadertoyFromTheContentsAndUpgradesVersionOneFiles) {
    NSAutoreleasePool pool;
    QCComposition* isf =
        QCComposition::compositionWithData("\xEF\xBB\xBF  /*{}*/ void main() { gl_FragColor = "
                                           "vec4(1.0); }");
    ASSERT_NE(isf, nullptr);
    EXPECT_EQ(isf->formatName(), QStringLiteral("ISF"));
    EXPECT_TRUE(isf->model().isfVersion1);
    EXPECT_EQ(isf->model().passes.size(), 1u);
    EXPECT_EQ(isf->retainCount(), 1u);
    EXPECT_EQ(NSAutoreleasePool::pendingCountOnCurrentThread(), 1u);

    // A leading comment that is not JSON does not make a file ISF.
    QCComposition* toy = QCComposition::compositionWithData(
        "/* by someone */\nvoid mainImage( out vec4 c, in vec2 p ) { c = vec4(1.0); }");
    ASSERT_NE(toy, nullptr);
    EXPECT_EQ(toy->formatName(), QStringLiteral("Shadertoy"));
    EXPECT_TRUE(toy->description().contains(QStringLiteral("Shadertoy")));

    // Version 1 files are upgraded.
    QCComposition* composition = QCComposition::compositionWithData(
        "/*{ \"PERSISTENT_BUFFERS\": { \"trail\": { \"WIDTH\": \"$WIDTH/2\", \"FLOAT\": true } },"
        "    \"PASSES\": [ { \"TARGET\": \"trail\" }, {} ] }*/\n"
        "void main() { gl_FragColor = IMG_NORM_PIXEL(trail, vv_FragNormCoord); }");
    ASSERT_NE(composition, nullptr);
    const QCCompositionModel& model = composition->model();
    ASSERT_EQ(model.passes.size(), 2u);
    EXPECT_TRUE(model.passes[0].persistent);
    EXPECT_TRUE(model.passes[0].isFloat);
    EXPECT_EQ(model.passes[0].widthExpression, QStringLiteral("$WIDTH/2"));
    EXPECT_FALSE(model.passes[1].persistent);
    EXPECT_TRUE(model.isfVersion1);
}

TEST(QCCompositionTest, ImageFunctionsAreRewrittenOutsideCommentsOnly) {
    QTemporaryDir folder;
    ASSERT_TRUE(qctest::gridPicture().save(folder.filePath(QStringLiteral("grid.png"))));
    // The call in the comment names no image: rewritten, it would refuse the composition.
    // IMG_SIZE nested in IMG_PIXEL's coordinate finds the pixel (1, 2) from the bottom-left,
    // (60, 60, 200) from the top; IMG_NORM_THIS_PIXEL of the 4 x 4 render is the same pixel.
    const QString text = QStringLiteral(
        "/*{ \"ISFVSN\": \"2.0\", \"IMPORTED\": { \"img\": { \"PATH\": \"grid.png\" } } }*/\n"
        "// IMG_PIXEL(nothing, here)\n"
        "void main() { gl_FragColor = vec4(IMG_PIXEL(img, IMG_SIZE( img ) * vec2(0.375, "
        "0.625)).rg, IMG_NORM_THIS_PIXEL(img).gb); }");
    const QImage image =
        qctest::renderText(text, QSize(4, 4), {0.0}, folder.filePath(QStringLiteral("a.fs")));
    EXPECT_EQ(qctest::pixel(image, 1, 1), (qctest::RGBA{60, 60, 60, 200}));
}

TEST(QCCompositionTest, BadInputsGiveNilWithOneClearLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty"},
        {"/*{ \"INPUTS\": [] }*/\n", "no shader"},
        {"/*{ \"INPUTS\": [] }*/\n// void main() {}\n", "no shader"},
        {"/*{ \"INPUTS\": [ }*/\nvoid main() {}", "malformed JSON"},
        {"/*{ \"INPUTS\": [] \nvoid main() {}", "not closed"},
        {"/*[1, 2]*/ void main() {}", "neither an ISF nor a Shadertoy"},
        {"/*{ \"a\": 1 } [] */ void main() {}", "malformed JSON"},
        {"/*{}*/ void main() { IMG_PIXEL(ghost, vec2(0.0)); }", "no image of this composition"},
        {"/*{}*/ void main() { IMG_SIZE(a, b); }", "takes 1 argument"},
        {"/*{}*/ void main() { IMG_NORM_PIXEL(a, (b); }", "unbalanced"},
        {"/*{ \"INPUTS\": [ { \"NAME\": \"x\", \"TYPE\": \"matrix\" } ] }*/ void main() {}",
         "unknown TYPE"},
        {"/*{ \"INPUTS\": [ { \"NAME\": \"a b\", \"TYPE\": \"float\" } ] }*/ void main() {}",
         "not a usable GLSL name"},
        {"/*{ \"INPUTS\": [ { \"NAME\": \"TIME\", \"TYPE\": \"float\" } ] }*/ void main() {}",
         "not a usable GLSL name"},
        {"/*{ \"INPUTS\": [ { \"NAME\": \"a\", \"TYPE\": \"float\" }, { \"NAME\": \"a\", "
         "\"TYPE\": \"bool\" } ] }*/ void main() {}",
         "used twice"},
        {"/*{ \"PASSES\": [ { \"TARGET\": \"t\", \"WIDTH\": \"$WIDTH +\" } ] }*/ void main() {}",
         "pass size"},
        {"/*{ \"PASSES\": 3 }*/ void main() {}", "PASSES is not an array"},
        {"/*{ \"IMPORTED\": { \"pic\": { \"PATH\": \"no-such-picture.png\" } } }*/ "
         "void main() {}",
         "cannot read image"},
        {"/*{ \"IMPORTED\": { \"pic\": { \"PATH\": \"x.png\", \"TYPE\": \"cube\" } } }*/ "
         "void main() {}",
         "cube"},
        {"#iChannel0 \"missing.png\"\nvoid mainImage(out vec4 c, in vec2 p) {}", "iChannel0"},
        {"#iChannel7 \"x.png\"\nvoid mainImage(out vec4 c, in vec2 p) {}", "no channel"},
        {"void main() { gl_FragColor = vec4(1.0); }", "neither an ISF nor a Shadertoy"},
        {"bplist00\xd4\x01\x02\x03", "not UTF-8"},
    };
    for (const auto& [data, reason] : cases) {
        QString log;
        EXPECT_FALSE(parses(QByteArray(data), {}, &log)) << data;
        EXPECT_TRUE(qctest::oneLineSaying(log, QString::fromLatin1(reason))) << data;
    }
    QString log;
    EXPECT_FALSE(parses(QByteArray("/*{}*/ void main() {}\0", 23), {}, &log));
    EXPECT_TRUE(log.contains(QStringLiteral("binary")));
}

TEST(QCCompositionTest, RandomBytesAndMangledCompositionsNeverCrashAndSayWhyInOneLine) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    // A refused input says why in exactly one line; an accepted one says nothing.
    const auto expectOneLineWhenRefused = [](const QByteArray& data) {
        QString log;
        const bool made = parses(data, {}, &log);
        EXPECT_EQ(log.count(u'\n'), made ? 0 : 1) << data.toHex().toStdString() << "\n"
                                                  << log.toStdString();
    };
    for (int round = 0; round < 400; ++round) {
        QByteArray data(round % 97 + 1, '\0');
        for (char& c : data)
            c = static_cast<char>(byte(random));
        expectOneLineWhenRefused(data);
    }
    // Cut and flipped versions of a real composition exercise the parser past its first checks.
    const QByteArray valid =
        "/*{ \"ISFVSN\": \"2\", \"INPUTS\": [ { \"NAME\": \"amount\", \"TYPE\": \"float\", "
        "\"DEFAULT\": 0.5 }, { \"NAME\": \"img\", \"TYPE\": \"image\" } ], \"PASSES\": [ { "
        "\"TARGET\": \"a\", \"WIDTH\": \"$WIDTH * $amount\", \"PERSISTENT\": true }, {} ] }*/\n"
        "void main() { gl_FragColor = IMG_PIXEL(a, IMG_SIZE(img)) * amount; }\n";
    for (int round = 0; round < 400; ++round) {
        QByteArray data = valid.left(byte(random) % valid.size() + 1);
        if (round % 2 == 0 && !data.isEmpty())
            data[byte(random) % data.size()] = "{}[]()\",:$*/ \x01"[byte(random) % 15];
        expectOneLineWhenRefused(data);
    }
}
