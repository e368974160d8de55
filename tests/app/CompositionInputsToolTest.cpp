// lumenreel-render and a composition's inputs and files: the sound's spectrum and waveform, values,
// still images and movies reaching their inputs, the inputs it lists; a refused job is one line on
// standard error with its exit status, whichever action read the composition; and a job that
// rendered no frame leaves nothing in the Trash.

#include "app/RenderToolRunner.h"

#include <algorithm>

namespace {

using namespace lumenreel::test;

// A composition whose picture is the value of each bin of its spectrum input (red), of its
// level input (green) and of its image input (blue, from the image's red).
constexpr const char* kProbe = R"(/*{
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "spectrum", "TYPE": "audioFFT", "MAX": 512},
    {"NAME": "level", "TYPE": "float", "DEFAULT": 0.5, "MIN": 0, "MAX": 1},
    {"NAME": "centre", "TYPE": "point2D", "DEFAULT": [0, 0], "MIN": [-1, -1], "MAX": [1, 1]},
    {"NAME": "inputImage", "TYPE": "image"}
  ]
}*/
void main() {
    float bin = IMG_NORM_PIXEL(spectrum, vec2(isf_FragNormCoord.x, 0.5)).r;
    gl_FragColor = vec4(bin, level, IMG_NORM_PIXEL(inputImage, vec2(0.5)).r, 1.0);
}
)";

constexpr const char* kPassThrough = R"(/*{
  "ISFVSN": "2", "CATEGORIES": ["Filter"],
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() { gl_FragColor = IMG_THIS_PIXEL(inputImage); }
)";

using CompositionInputsToolTest = RenderToolTest;

// A 3000 Hz sine at full scale, 2 s long.
const QString kSine = QStringLiteral("sine=frequency=3000:sample_rate=48000:duration=2");

TEST_F(CompositionInputsToolTest, TheSoundsSpectrumValuesAndStillImagesReachTheirInputs) {
    // 48000 / 1024 = 46.875 Hz a bin: 3000 Hz is the middle of bin 64.
    const QString sine = lavfi(QStringLiteral("sine.wav"), kSine, {"-af", "volume=8"});
    const QString probe = writeFile(QStringLiteral("Probe.fs"), kProbe);
    const QString still = writePicture(mHome.filePath("still.png"), {8, 8}, qRgb(200, 0, 0));
    const QList<QImage> frames =
        renderFrames(probe, {"--size", "512x2", "--fps", "10", "--duration", "0.5", "--audio", sine,
                             "--set", "level=0.25", "--input", "inputImage=" + still});
    ASSERT_EQ(frames.size(), 6);
    for (int k = 1; k < frames.size(); ++k) {
        // The reddest pixel of the first row.
        QList<int> reds;
        for (int x = 0; x < frames[k].width(); ++x)
            reds << qRed(frames[k].pixel(x, 0));
        EXPECT_EQ(std::ranges::max_element(reds) - reds.begin(), 64) << "frame " << k;
    }
    // Frame 0 ends its window at the sound's start: silence before it.
    EXPECT_EQ(qRed(frames[0].pixel(64, 0)), 0);
    for (const QImage& frame : frames) {
        EXPECT_NEAR(qGreen(frame.pixel(4, 1)), 64, 1);
        EXPECT_EQ(qBlue(frame.pixel(4, 1)), 200);
    }
}

TEST_F(CompositionInputsToolTest, TheShadertoySoundChannelHoldsSpectrumAndWaveform) {
    const QString sine = lavfi(QStringLiteral("sine.wav"), kSine, {"-af", "volume=8"});
    // 48000 / 2048 = 23.4375 Hz a bin: 3000 Hz is bin 128.
    const QString shader = writeFile(QStringLiteral("Sound.glsl"), R"(#iChannel1 "sound"
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float x = fragCoord.x / iResolution.x;
    fragColor = vec4(texture(iChannel1, vec2(x, 0.25)).x, texture(iChannel1, vec2(x, 0.75)).x,
                     iSampleRate / 96000.0, 1.0);
}
)");
    const QList<QImage> frames = renderFrames(
        shader, {"--size", "512x1", "--fps", "10", "--duration", "0.3", "--audio", sine});
    ASSERT_GE(frames.size(), 3);
    const QImage& frame = frames[2];
    QList<int> wave;
    for (int x = 0; x < 512; ++x)
        wave << qGreen(frame.pixel(x, 0));
    EXPECT_EQ(qRed(frame.pixel(128, 0)), 255); // far above -30 dB
    // A full-scale sine spans the whole range.
    EXPECT_LE(std::ranges::min(wave), 2);
    EXPECT_GE(std::ranges::max(wave), 253);
    EXPECT_NEAR(qBlue(frame.pixel(0, 0)), 128, 1);
}

TEST_F(CompositionInputsToolTest, EachFrameShowsTheMoviesFrameAtItsTime) {
    // A lossless movie of 60 frames a second whose frame k has red k everywhere, green only in
    // its top half, into 25 (frames shown twice are the frame reader's to check).
    const QString source = lavfi("numbered.mov",
                                 "color=black:size=16x16:rate=60,format=rgb24,"
                                 "geq=r='N':g='255*lt(Y,8)':b=0",
                                 {"-frames:v", "120", "-c:v", "qtrle"});
    const QString filter = writeFile(QStringLiteral("Pass.fs"), kPassThrough);
    const QList<QImage> frames =
        renderFrames(filter, {"--size", "16x16", "--fps", "25", "--duration", "1.5", "--input",
                              "inputImage=" + source});
    ASSERT_EQ(frames.size(), 38);
    for (int k = 0; k < frames.size(); ++k)
        ASSERT_EQ(qRed(frames[k].pixel(8, 8)), k * 60 / 25) << "frame " << k;
    // The right way up.
    EXPECT_EQ(qGreen(frames[0].pixel(8, 2)), 255);
    EXPECT_EQ(qGreen(frames[0].pixel(8, 13)), 0);
}

TEST_F(CompositionInputsToolTest, ListsTheInputs) {
    const ToolRun probe = expectRuns({"--list-inputs", writeFile("Probe.fs", kProbe)});
    EXPECT_EQ(probe.out,
              QStringLiteral("spectrum  audioFFT  from the sound, 512 bins\n"
                             "level  float  default 0.5  range 0 to 1  moves: keys, sound\n"
                             "centre  point2D  default 0,0  range -1,-1 to 1,1  "
                             "moves: keys\n"
                             "inputImage  image  file (image or movie)\n"));
}

using CompositionFilesToolTest = RenderToolTest;

// A shader from elsewhere cannot put the user's own pictures into the movie; the user can. A
// refused job is one line with its exit status, from --list-inputs as from a render, and writes
// nothing.
TEST_F(CompositionFilesToolTest, PicturesOutsideTheCompositionsFolderAreTheUsersToGive) {
    const QString secret =
        writePicture(mHome.filePath(QStringLiteral("private.png")), {4, 4}, Qt::red);
    const QString stealing = writeFile(
        QStringLiteral("downloads/Steal.fs"),
        "/*{ \"ISFVSN\": \"2\", \"IMPORTED\": { \"pic\": { \"PATH\": \"../private.png\" } } "
        "}*/\nvoid main() { gl_FragColor = IMG_NORM_PIXEL(pic, vec2(0.5)); }\n");
    const QString filter = writeFile(QStringLiteral("downloads/Filter.fs"), kPassThrough);
    for (const QStringList& arguments :
         {QStringList{"--list-inputs", stealing}, QStringList{"--output", mOutput, stealing}}) {
        // One line: the log's own account of the refusal stays off the terminal.
        expectRefused(
            arguments,
            "imported image \"pic\": \"../private.png\" is outside the composition's folder");
    }
    EXPECT_TRUE(entries(trashFolder()).isEmpty());

    expectRuns({"--size", "8x8", "--duration", "0", "--input", "inputImage=" + secret, "--output",
                mOutput, filter});
}

// A movie given to an input whose pictures cannot be decoded fails the job at its first frame:
// a recording without a frame recovers nothing, so nothing goes to the Trash.
TEST_F(CompositionFilesToolTest, AJobThatRenderedNoFramePutsNothingInTheTrash) {
    const QString movie = lavfi("broken.mov", "color=red:size=16x16:rate=5",
                                {"-frames:v", "5", "-c:v", "png", "-movflags", "+faststart"});
    // Every byte of the pictures spoilt; the movie's description stays readable.
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    // The pictures box comes last, after the description.
    const qsizetype start = file.readAll().indexOf("mdat") + 4;
    const qsizetype pictures = file.size() - start;
    ASSERT_TRUE(start > 4 && pictures > 0);
    ASSERT_TRUE(file.seek(start));
    ASSERT_EQ(file.write(QByteArray(pictures, '\xff')), pictures);
    file.close();

    const QString filter = writeFile(QStringLiteral("Plain.fs"), kPassThrough);
    const ToolRun run = runTool({"--size", "8x8", "--duration", "1", "--input",
                                 "inputImage=" + movie, "--output", mOutput, filter});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.trimmed().endsWith(QStringLiteral("nothing was kept")))
        << run.err.toStdString();
    EXPECT_TRUE(entries(trashFolder()).isEmpty()) << entries(trashFolder()).join(' ').toStdString();
    EXPECT_TRUE(entries(mOutput).isEmpty());
    EXPECT_TRUE(entries(temporaryFolder()).isEmpty());
}

} // namespace
