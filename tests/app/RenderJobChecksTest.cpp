// The checks a render job passes before it starts, called in process: the reason and exit status
// of each refusal, and the warnings and absolute paths of a job that may run.

#include "app/job/RenderJobChecks.h"
#include "common/FifoGuard.h"
#include "common/TestSupport.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <utility>
#include <vector>

namespace {

using namespace lumenreel::test;

// Listens to the sound; an image, an event, a value and a point input.
constexpr const char* kProbe = R"(/*{ "ISFVSN": "2", "INPUTS": [
  {"NAME": "spectrum", "TYPE": "audioFFT"}, {"NAME": "image", "TYPE": "image"},
  {"NAME": "go", "TYPE": "event"},
  {"NAME": "level", "TYPE": "float", "DEFAULT": 0.5, "MIN": 0, "MAX": 1},
  {"NAME": "centre", "TYPE": "point2D", "DEFAULT": [0, 0], "MIN": [-1, -1], "MAX": [1, 1]} ] }*/
void main() { gl_FragColor = IMG_NORM_PIXEL(image, vec2(0.5)) * level; }
)";

// A job of Probe.fs into "out" but for what the case gives, paths relative to the job's folder.
struct Case {
    QString composition = QStringLiteral("Probe.fs");
    QList<QPair<QString, QString>> values = {}, files = {}; // --set and --input
    QString sound = {};
    QString folder = QStringLiteral("out");
    QString expected = {}; // (part of) the refusal, or the warning of a job that may run
    int status = 1;        // 0: the job may run
    bool folderGiven = true;
    double seconds = 1.0; // the job's duration
    bool cutSound = false;
};

TEST(RenderJobChecksTest, EachJobIsRefusedInOneLineWithItsStatusOrRunsWithAbsolutePaths) {
    QTemporaryDir folder;
    const auto back = qScopeGuard([before = QDir::currentPath()] { QDir::setCurrent(before); });
    ASSERT_TRUE(QDir::setCurrent(folder.path()) && QDir().mkdir("out") && QDir().mkdir("tone"));
    const QString here = QDir::currentPath() + '/';
    ASSERT_EQ(::symlink("Loop.fs", "Loop.fs"), 0);
    FifoGuard fifo(here + "Pipe.fs");
    writePicture("still.png", {8, 8}, Qt::red);
    writePicture("wide.png", {16385, 4}, Qt::red);
    ASSERT_TRUE(fifo.isValid() && writeFile("Probe.fs", kProbe) &&
                writeFile("Notes.fs", "just some text") &&
                writeFile("Toy.glsl", "void mainImage(out vec4 c, in vec2 p) "
                                      "{ c = texture(iChannel1, p / iResolution.xy); }\n"));
    // Footage too wide (and without sound), and of too many pixels in all; a movie whose sound
    // is its second track.
    for (const QString size : {"16400x16", "8200x8200"})
        ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "color=black:size=" + size, "-frames:v", "1",
                               "-c:v", "qtrle", size + ".mov"}));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc=d=1:s=32x32", "-f", "lavfi", "-i",
                           "sine=d=1", "-c:v", "mpeg4", "av.mov"}));
    // The final movie's file as the sound under its name and another (a hard link), as a
    // picture given to an input, and as a picture the composition loads.
    ASSERT_TRUE(QFile::copy(resource("sounds/demo-arpeggio.m4a"), "tone.m4a"));
    ASSERT_EQ(::link("tone.m4a", "out/Probe.mov"), 0);
    writePicture("out/Tile.mov", {4, 4}, Qt::red, "PNG");
    ASSERT_TRUE(writeFile("out/Tile.glsl", "#iChannel0 \"Tile.mov\"\nvoid mainImage(out vec4 c, "
                                           "in vec2 p) { c = texture(iChannel0, p); }\n"));
    const QString replaces = "would replace the job's own input " + here;
    const QList<QPair<QString, QString>> still = {{"image", "still.png"}};

    std::vector<Case> cases = {
        {.composition = "Missing.fs", .expected = "Missing.fs: no such file"},
        {.composition = "Loop.fs", .expected = "Loop.fs: cannot be read ("},
        {.composition = "out", .expected = "out: is a folder"},
        {.composition = "Pipe.fs", .expected = "Pipe.fs: not a regular file"},
        {.composition = "/dev/null", .expected = "/dev/null: not a regular file"},
        {.composition = "Notes.fs", .expected = "Notes.fs: not a composition"},
        {.values = {{"level", "2"}}, .expected = "outside its range 0 to 1", .status = 2},
        {.values = {{"level", "x"}}, .expected = "\"x\" is not a number", .status = 2},
        {.values = {{"centre", "0.5"}}, .expected = "is not 2 numbers", .status = 2},
        {.values = {{"centre", "0,2"}}, .expected = "outside its range", .status = 2},
        {.values = {{"missing", "1"}}, .expected = "has no input \"missing\"", .status = 2},
        {.values = {{"image", "1"}}, .expected = "takes a file, not a value", .status = 2},
        {.files = {{"spectrum", "still.png"}}, .expected = "takes the job's sound", .status = 2},
        {.files = {{"level", "still.png"}}, .expected = "takes a value, not a", .status = 2},
        {.files = {{"image", "none.png"}}, .expected = "no such file", .status = 2},
        {.files = {{"image", "wide.png"}}, .expected = "16385x4 pixels, larger", .status = 2},
        {.files = {{"image", "16400x16.mov"}}, .expected = "pictures of 16400x16", .status = 2},
        {.files = {{"image", "8200x8200.mov"}}, .expected = "of 8200x8200", .status = 2},
        {.sound = "none.m4a", .expected = "none.m4a: no such sound movie"},
        {.sound = "Notes.fs", .expected = "Notes.fs: cannot read the sound movie"},
        {.sound = "still.png", .expected = "still.png: the sound movie has no sound track"},
        {.sound = "16400x16.mov", .expected = "16400x16.mov: the sound movie has no sound track"},
        {.folder = "missing", .expected = "missing: no such output folder"},
        {.folder = "Probe.fs", .expected = "Probe.fs: not a folder"},
        {.folder = "/proc/self", .expected = "/proc/self: cannot write into the output folder"},
        {.sound = "out/Probe.mov", .expected = replaces + "out/Probe.mov"},
        {.sound = "tone.m4a", .expected = replaces + "tone.m4a"},
        {.files = {{"image", "tone.m4a"}}, .expected = replaces + "tone.m4a"},
        {.composition = "out/Tile.glsl", .expected = replaces + "out/Tile.mov"},
        // Jobs that may run, warned of what they will not do.
        {.expected = "no picture is bound to image (", .status = 0},
        {.composition = "Toy.glsl", .expected = "no picture is bound to iChannel1 (", .status = 0},
        {.composition = "Toy.glsl", .files = {{"iChannel1", "still.png"}}, .status = 0},
        {.files = still, .sound = "av.mov", .expected = "av.mov: the first track", .status = 0},
        {.files = still, .folder = "Movies/Lumenreel", .status = 0, .folderGiven = false},
    };
    // A sound more than five times as long as the video (10 s against 46 frames of 1/30 s) makes
    // GStreamer players skip the video, unless it is cut.
    for (const auto& [seconds, cut, warning] :
         {std::tuple{2.0, false, ""}, std::tuple{1.5, false, "--cut-sound"},
          std::tuple{1.5, true, ""}}) {
        Case c{.files = still, .sound = "tone.m4a", .folder = "tone", .expected = warning};
        c.status = 0;
        c.seconds = seconds;
        c.cutSound = cut;
        cases.push_back(c);
    }
    // Keys and bands, refused as values are.
    const std::pair<QList<QPair<QString, QString>>, QString> keysAndBands[] = {
        {{{"level@", "0.5"}}, "a key needs a time"},
        {{{"level@soon", "0"}}, "the key's time \"soon\" is no number"},
        {{{"level@-1", "0"}}, "is no number of seconds from 0 on"},
        {{{"level@nan", "0"}}, "is no number of seconds"},
        {{{"level@1", "1.5"}}, "the key at 1 s: input \"level\" (float): 1.5 is outside"},
        {{{"level@1", "0"}, {"level@1.0", "1"}}, "input \"level\" has two keys at 1"},
        {{{"level@1", "0"}, {"level", "1"}}, "given both a constant and keys"},
        {{{"level@1", "0"}, {"level", "sound:bass"}}, "given keys or a band besides"},
        {{{"level", "sound:bass"}, {"level@1", "0"}}, "follows the sound; it takes no keys"},
        {{{"level", "sound:drums"}}, "there is no band \"drums\""},
        {{{"level", "sound:bass*loud"}}, "use sound:BAND[*GAIN][+OFFSET]"},
        {{{"level", "sound:bass+"}}, "use sound:BAND[*GAIN][+OFFSET]"},
        {{{"level@1", "sound:bass"}}, "\"sound:bass\" is not a number"},
        {{{"image@1", "1"}}, "input \"image\" (image) takes no keys"},
        {{{"go@1", "true"}}, "input \"go\" (event) takes no keys"},
        {{{"image", "sound:bass"}}, "input \"image\" (image) takes no number"},
        {{{"centre", "sound:bass"}}, "input \"centre\" (point2D) takes no number"},
        {{{"level", "sound:bass"}}, "an input follows the sound, and the job has no sound"},
    };
    for (const auto& [values, reason] : keysAndBands)
        cases.push_back({.values = values, .expected = reason, .status = 2});
    for (const Case& c : cases) {
        RenderJobOptions options;
        options.compositionPath = c.composition;
        options.inputs = {c.values, c.files};
        options.audioPath = c.sound;
        options.outputFolder = c.folder;
        options.outputFolderGiven = c.folderGiven;
        options.durationSeconds = c.seconds;
        options.cutSound = c.cutSound;
        RenderInputsCheck check;
        const std::optional<QString> problem = checkInputs(options, &check);
        // What the check said: the refusal, or the warnings of a job that may run.
        const QString said = problem.value_or(check.warnings.join(u'\n'));
        EXPECT_TRUE(c.expected.isEmpty() ? said.isEmpty()
                                         : said.contains(c.expected) && !said.contains(u'\n'))
            << c.expected.toStdString() << " <- " << said.toStdString();
        EXPECT_EQ(problem ? check.status : 0, c.status) << said.toStdString();
        for (const QString& path :
             QStringList{options.compositionPath, options.outputFolder, options.audioPath,
                         options.inputs.files.value(0).second})
            EXPECT_TRUE(problem || path.isEmpty() || path.startsWith(here)) << path.toStdString();
    }
    EXPECT_FALSE(fifo.rescued()) << "the check waited on the FIFO";
    EXPECT_FALSE(QFileInfo::exists("missing"));
    EXPECT_EQ(QDir("Movies/Lumenreel").entryList(QDir::Files | QDir::Hidden), QStringList())
        << "the check's probe was left behind";
}

} // namespace
