// Each delivery format of lumenreel-render, read back by three readers this project did not write
// (ffprobe, mediainfo, GStreamer's discoverer), and its pictures compared with the Animation
// movie's.

#include "app/RenderToolRunner.h"

#include <cmath>

namespace {

using lumenreel::test::childOutput;
using lumenreel::test::decodeVideoFrames;
using lumenreel::test::RenderToolTest;
using lumenreel::test::ToolRun;

// Transparent on the left, opaque on the right, with smooth colours that move.
constexpr const char* kHalfTransparent = R"(/*{ "ISFVSN": "2" }*/
void main() {
    vec2 uv = isf_FragNormCoord;
    gl_FragColor = vec4(uv.x, uv.y, 0.5 + 0.5 * sin(TIME * 3.0 + uv.x * 4.0),
                        uv.x < 0.5 ? 0.0 : 1.0);
}
)";

struct Expected {
    const char* format;
    const char* extension;
    const char* ffprobeCodec;
    const char* tag;
    const char* mediainfoFormat;
    const char* discovererCodec; // the caps the discoverer names the video by
    double minimumPsnr;          // of the opaque half against the Animation movie; 0: not compared
};

// The lowest values measured here, with a margin; ProRes and H.264 must keep 40 dB.
const Expected kFormats[] = {
    {"animation", "mov", "qtrle", "rle ", "RLE", "video/x-rle", 0},
    {"prores4444", "mov", "prores", "ap4h", "ProRes", "video/x-prores, variant=(string)4444", 40},
    {"hap", "mov", "hap", "Hap1", "Hap", "video/x-gst-fourcc-Hap1", 38},
    {"hap-alpha", "mov", "hap", "Hap5", "Hap Alpha", "video/x-gst-fourcc-Hap5", 38},
    {"hapq", "mov", "hap", "HapY", "Hap Q", "video/x-gst-fourcc-HapY", 39},
    {"h264", "mp4", "h264", "avc1", "AVC", "video/x-h264", 40},
};

// Peak signal-to-noise ratio of the colours where `reference` is opaque.
double opaquePsnr(const QList<QImage>& reference, const QList<QImage>& frames) {
    double squares = 0;
    double count = 0;
    for (qsizetype f = 0; f < std::min(reference.size(), frames.size()); ++f) {
        for (int y = 0; y < reference[f].height(); ++y) {
            for (int x = 0; x < reference[f].width(); ++x) {
                const QRgb a = reference[f].pixel(x, y);
                if (qAlpha(a) != 255)
                    continue;
                const QRgb b = frames[f].pixel(x, y);
                for (const int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)})
                    squares += d * d;
                count += 3;
            }
        }
    }
    return squares == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (squares / count));
}

TEST_F(RenderToolTest, EveryDeliveryFormatIsReadAlikeByThreeReaders) {
    const QString composition = writeFile(QStringLiteral("Half.fs"), kHalfTransparent);
    // A sound MP4 cannot hold as it is: converted to AAC there, copied into QuickTime movies.
    const QString sound = lavfi(QStringLiteral("tone.wav"), "sine=frequency=440:duration=2");

    QList<QImage> animationFrames;
    for (const Expected& expected : kFormats) {
        SCOPED_TRACE(expected.format);
        const ToolRun run =
            // 60 frames at 0 to 59/30 s (2.0 passes 1.99): a movie of 2 s.
            runTool({"--format", expected.format, "--size", "128x96", "--duration", "1.99",
                     "--audio", sound, "--output", mOutput, composition});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QString movie = mOutput + QStringLiteral("/Half.") + expected.extension;
        EXPECT_EQ(run.out.trimmed(), movie);
        const bool mp4 = QString::fromLatin1(expected.extension) == "mp4";

        const auto probe = [&movie](const QStringList& arguments) {
            return childOutput("ffprobe",
                               QStringList{"-v", "error", "-of", "compact=p=0"} + arguments
                                   << movie)
                .trimmed();
        };
        EXPECT_EQ(probe({"-show_entries", "stream=codec_name,codec_type"}),
                  QStringLiteral("codec_name=%1|codec_type=audio\ncodec_name=%2|codec_type=video")
                      .arg(mp4 ? "aac" : "pcm_s16le", expected.ffprobeCodec));
        EXPECT_EQ(probe({"-select_streams", "v", "-show_entries",
                         "stream=codec_tag_string,width,height,nb_frames,duration"}),
                  QStringLiteral("codec_tag_string=%1|width=128|height=96|duration=2.000000|"
                                 "nb_frames=60")
                      .arg(expected.tag));

        const QString info = childOutput(
            "mediainfo",
            {"--Inform=Video;%Format%|%Width%|%Height%|%FrameCount%|%Duration%", movie});
        EXPECT_EQ(info.trimmed(),
                  QStringLiteral("%1|128|96|60|2000").arg(expected.mediainfoFormat));

        const QString discovered = childOutput("gst-discoverer-1.0", {"-v", movie});
        EXPECT_TRUE(discovered.contains(
            QStringLiteral("video #2: %1").arg(QString::fromLatin1(expected.discovererCodec))))
            << discovered.toStdString();
        EXPECT_TRUE(discovered.contains(QStringLiteral("width=(int)128")));
        EXPECT_TRUE(discovered.contains(QStringLiteral("Duration: 0:00:02.0")));

        const QList<QImage> frames = decodeVideoFrames(movie, 1);
        ASSERT_EQ(frames.size(), 60);
        if (animationFrames.isEmpty()) {
            animationFrames = frames;
            continue;
        }
        const double psnr = opaquePsnr(animationFrames, frames);
        std::printf("%s: %.1f dB\n", expected.format, psnr);
        EXPECT_GE(psnr, expected.minimumPsnr);
        const QString format = QString::fromLatin1(expected.format);
        if (format == "prores4444" || format == "hap-alpha") {
            EXPECT_LE(qAlpha(frames[30].pixel(10, 48)), 2);
            EXPECT_GE(qAlpha(frames[30].pixel(118, 48)), 253);
        }
        if (mp4) {
            EXPECT_EQ(probe({"-select_streams", "v", "-show_entries", "stream=pix_fmt"}),
                      "pix_fmt=yuv420p");
            EXPECT_EQ(probe({"-select_streams", "a", "-show_entries", "stream=codec_tag_string"}),
                      "codec_tag_string=mp4a");
            const QByteArray content = lumenreel::test::contentsOf(movie);
            EXPECT_LT(content.indexOf("moov"), content.indexOf("mdat")) << "not faststart";
        }
    }
}

} // namespace
