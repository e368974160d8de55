// Inputs whose value moves along the movie: keys, and inputs that follow a band of the sound.

#include "app/RenderToolRunner.h"

namespace {

using namespace lumenreel::test;

class MovingInputsToolTest : public RenderToolTest {
protected:
    void SetUp() override {
        RenderToolTest::SetUp();
        mGrey = testDataPath(QStringLiteral("GreyLevel.fs"));
    }

    // The grey (red) of the middle of each frame of the movie the job writes.
    QList<int> greys(const QStringList& options) {
        QList<int> greys;
        for (const QImage& frame : renderFrames(mGrey, options))
            greys.append(qRed(frame.pixel(frame.width() / 2, frame.height() / 2)));
        return greys;
    }

    QString mGrey;
};

const QStringList kSmall{"--size", "8x8"};

TEST_F(MovingInputsToolTest, KeysMoveLinearlyAndHoldOutsideThem) {
    // Held before the first key and after the last; the order given does not matter.
    EXPECT_EQ(greys(kSmall + QStringList{"--fps", "2", "--duration", "3", "--set", "level@2.5=0",
                                         "--set", "level@1.5=1"}),
              (QList<int>{255, 255, 255, 255, 128, 0, 0}));
}

TEST_F(MovingInputsToolTest, LongsAndBoolsChangeAtTheKey) {
    const QString steps = writeFile(QStringLiteral("Steps.fs"), R"(/*{
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "count", "TYPE": "long", "MIN": 0, "MAX": 4, "DEFAULT": 0},
    {"NAME": "on", "TYPE": "bool", "DEFAULT": false},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [0, 0, 0, 1]}
  ]
}*/
void main() { gl_FragColor = vec4(float(count) / 4.0, on ? 1.0 : 0.0, tint.b, 1.0); }
)");
    const QList<QImage> frames = renderFrames(
        steps, kSmall + QStringList{"--fps", "4", "--duration", "1", "--set", "count@0=0", "--set",
                                    "count@1=4", "--set", "on@0=false", "--set", "on@0.5=true",
                                    "--set", "tint@0=0,0,0,1", "--set", "tint@1=0,0,1,1"});
    ASSERT_EQ(frames.size(), 5);
    const QList<int> reds{0, 0, 0, 0, 255}, greens{0, 0, 255, 255, 255},
        blues{0, 64, 128, 191, 255};
    for (int k = 0; k < 5; ++k) {
        const QRgb pixel = frames[k].pixel(4, 4);
        EXPECT_EQ(qRed(pixel), reds[k]) << k;
        EXPECT_EQ(qGreen(pixel), greens[k]) << k;
        EXPECT_NEAR(qBlue(pixel), blues[k], 1) << k;
    }
}

TEST_F(MovingInputsToolTest, BandsFollowTheirPartOfTheSound) {
    // Full-scale sines at 48 kHz, 2 s long.
    const QString low = lavfi("low.wav", "aevalsrc='sin(2*PI*60*t)':s=48000:d=2");
    const QString high = lavfi("high.wav", "aevalsrc='sin(2*PI*6000*t)':s=48000:d=2");
    const QStringList job = kSmall + QStringList{"--fps", "4", "--duration", "1.5", "--audio"};
    // Each band bright for its own tone and dark for the other; gain and offset clamped to the
    // input's range (a full-scale sine is -3 dBFS).
    const struct {
        QString sound, setting;
        int lowest, highest;
    } cases[] = {
        {low, "level=sound:bass", 230, 255},
        {high, "level=sound:bass", 0, 2},
        {high, "level=sound:treble", 230, 255},
        {low, "level=sound:treble", 0, 2},
        {high, "level=sound:level", 230, 255},
        {low, "level=sound:bass*0.5+0.1", 144, 149}, // (0.95 * 0.5 + 0.1) * 255, within 3
        {high, "level=sound:treble+-0.5", 112, 117}, // (0.95 - 0.5) * 255, within 3
        {high, "level=sound:treble-0.5", 112, 117},
        {high, "level=sound:treble*2", 255, 255},
    };
    for (const auto& band : cases) {
        const QList<int> all = greys(job + QStringList{band.sound, "--set", band.setting});
        EXPECT_EQ(all.size(), 7);
        // The frames after the sound's start, whose windows hold the tone alone.
        for (const int grey : all.mid(2)) {
            EXPECT_GE(grey, band.lowest) << band.setting.toStdString();
            EXPECT_LE(grey, band.highest) << band.setting.toStdString();
        }
    }
}

// (Each bad form's reason is the job checks'; a refusal ends the tool with 2 before it renders.)
TEST_F(MovingInputsToolTest, ABadFormIsRefusedBeforeAnythingRenders) {
    expectRefused(kSmall + QStringList{"--duration", "1", "--output", mOutput, "--set",
                                       "level=sound:bass", mGrey},
                  "an input follows the sound, and the job has no sound", 2);
}

} // namespace
