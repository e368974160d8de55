#include "platform/qtkit/DirectFileOutput.h"
#include "platform/qtkit/MovieInspector.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using lumenreel::test::contentsOf;
using lumenreel::test::writeFile;
using qtkit::DirectFileOutput;

namespace {

QByteArray pattern(int size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int index = 0; index < size; ++index)
        bytes[index] = char((index * 131 + seed * 71 + index / 4099) & 0xff);
    return bytes;
}

struct Muxer {
    AVFormatContext* context = avformat_alloc_context();
    ~Muxer() { avformat_free_context(context); }
};

void write(AVIOContext* io, const QByteArray& bytes) {
    avio_write(io, reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
}

} // namespace

TEST(DirectFileOutputTest, EveryWayOfWritingPutsTheBytesWhereTheyBelong) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A source file holding a recorded packet at an odd offset, and its last kilobyte.
    const QByteArray prefix = pattern(4097, 1);
    const QByteArray stored = pattern(3 << 20, 2);
    const QString sourcePath = folder.filePath(QStringLiteral("source.qt"));
    ASSERT_TRUE(writeFile(sourcePath, prefix + stored));
    const int source = ::open(QFile::encodeName(sourcePath).constData(), O_RDONLY);
    ASSERT_GE(source, 0);
    int notAFile[2];
    ASSERT_EQ(::pipe(notAFile), 0);

    const QByteArray header = pattern(100, 3);
    const QByteArray big = pattern((1 << 20) + 13, 4);
    // Its first kilobyte is the source's last; the source ends there.
    const QByteArray beyondTheEnd = stored.right(1024) + pattern(5000, 5);
    const QByteArray small = pattern(70000, 6);
    // A longer movie of the same name is replaced whole.
    ASSERT_TRUE(writeFile(folder.filePath(QStringLiteral("out.mov")), pattern(8 << 20, 9)));
    QByteArray expected;
    {
        Muxer muxer;
        QString error;
        std::unique_ptr<DirectFileOutput> output =
            DirectFileOutput::create(folder.filePath(QStringLiteral("out.mov")), &error);
        ASSERT_TRUE(output) << qPrintable(error);
        output->attachTo(muxer.context);
        AVIOContext* io = muxer.context->pb;
        const auto writeExpected = [&](const QByteArray& bytes) {
            write(io, bytes);
            expected += bytes;
        };
        avio_wb32(io, 0x6d6f6f76); // gathered
        expected += QByteArray::fromHex("6d6f6f76");
        writeExpected(header);
        writeExpected(big); // spliced
        // Copied from the source file.
        output->expectBytesOfFile(stored.constData(), int(stored.size()), source, prefix.size());
        writeExpected(stored);
        // Announced for other bytes than those that come: written from memory.
        output->expectBytesOfFile(stored.constData(), int(stored.size()), source, prefix.size());
        writeExpected(big);
        // The source ends early: what it lacks comes from memory.
        output->expectBytesOfFile(beyondTheEnd.constData(), int(beyondTheEnd.size()), source,
                                  prefix.size() + stored.size() - 1024);
        writeExpected(beyondTheEnd);
        // A descriptor that no copy can come from.
        output->expectBytesOfFile(small.constData(), int(small.size()), notAFile[0], 0);
        writeExpected(small);
        ASSERT_TRUE(output->close(&error)) << qPrintable(error);
    }
    ::close(source);
    ::close(notAFile[0]);
    ::close(notAFile[1]);
    EXPECT_TRUE(contentsOf(folder.filePath(QStringLiteral("out.mov"))) == expected);
}

TEST(DirectFileOutputTest, AFileThatTakesNoBytesFailsTheCloseWithTheReason) {
    Muxer muxer;
    QString error;
    std::unique_ptr<DirectFileOutput> output =
        DirectFileOutput::create(QStringLiteral("/dev/full"), &error);
    ASSERT_TRUE(output) << qPrintable(error);
    output->attachTo(muxer.context);
    write(muxer.context->pb, pattern(2 << 20, 7)); // neither spliced nor written
    EXPECT_FALSE(output->close(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << qPrintable(error);
}
