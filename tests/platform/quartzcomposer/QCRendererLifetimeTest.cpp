// A long run: renderers made, used and destroyed on changing threads must give back their memory
// and file descriptors (OpenGL contexts, textures, framebuffers, the driver's own files).

#include "QCTestSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using lumenreel::test::openFileDescriptors;
using lumenreel::test::residentBytes;

TEST(QCRendererLifetimeTest, TwoHundredRenderersOnChangingThreadsKeepMemoryAndFilesFlat) {
    const QString text = QStringLiteral(
        "/*{ \"ISFVSN\": \"2\", \"PASSES\": [ { \"TARGET\": \"trail\", \"PERSISTENT\": true, "
        "\"FLOAT\": true }, {} ] }*/\n"
        "void main() {\n"
        "  if (PASSINDEX == 0) gl_FragColor = IMG_THIS_PIXEL(trail) * 0.5 + vec4(0.1);\n"
        "  else gl_FragColor = IMG_THIS_PIXEL(trail);\n}\n");
    // Made on one thread, rendered on a second, destroyed on a third.
    const auto cycle = [&] {
        NSRef<QCRenderer> renderer;
        bool rendered = false;
        std::thread([&] { renderer = qctest::rendererOf(text, QSize(64, 48)); }).join();
        std::thread([&] {
            rendered = renderer && !qctest::render(renderer.get(), {0.0, 0.1}).isNull();
        }).join();
        std::thread([&] { renderer = nullptr; }).join();
        return rendered;
    };
    // The first renderers load the driver and fill its caches.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(cycle());
    const int filesBefore = openFileDescriptors();
    const qint64 bytesBefore = residentBytes();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(cycle()) << "renderer " << i;
    EXPECT_EQ(openFileDescriptors(), filesBefore);
    // Generous: the sanitizers hold freed memory in quarantine for a while. A leaked renderer
    // (context, framebuffers, float buffers) costs several megabytes; 200 of them, far more.
    const qint64 grown = residentBytes() - bytesBefore;
    EXPECT_LT(grown, qint64(160) << 20) << "resident memory grew by " << (grown >> 20) << " MiB";
}
