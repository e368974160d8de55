#include "platform/security/CodeSignature.h"

#include "common/RunChild.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A note of its version, then each text after its size and padded to whole words.
QByteArray note(const QByteArray& identifier, const QByteArray& blob) {
    const auto word = [](std::uint32_t value) {
        return QByteArray(reinterpret_cast<const char*>(&value), 4);
    };
    QByteArray out = word(kCodeSignatureNoteVersion);
    for (const QByteArray& text : {identifier, blob}) {
        out += word(std::uint32_t(text.size())) + text;
        out.append((4 - out.size() % 4) % 4, '\0');
    }
    return out;
}

} // namespace

TEST(CodeSignature, OnlyTheSignedExecutableCarriesIdentifierAndEntitlementsBlob) {
    using lumenreel::test::childOutput;
    EXPECT_EQ(childOutput(CODESIGN_PROBE_UNSIGNED, {}), QStringLiteral("unsigned\n"));
    const QString output = childOutput(CODESIGN_PROBE_SIGNED, {});
    QFile plistFile(QString::fromUtf8(CODESIGN_PROBE_ENTITLEMENTS));
    ASSERT_TRUE(plistFile.open(QIODevice::ReadOnly));
    const QByteArray plist = plistFile.readAll();
    QByteArray blob("\xfa\xde\x71\x71\0\0\0\0", 8);
    qToBigEndian(quint32(blob.size() + plist.size()), blob.data() + 4);
    blob.append(plist);
    EXPECT_EQ(output, QStringLiteral("identifier=org.lumenreel.probe\nblob=") +
                          QString::fromLatin1(blob.toHex()) + "\n");
}

TEST(CodeSignature, NoteDescriptionRoundTripsAndRejectsDamage) {
    const QByteArray good = note("a.b.c", QByteArray("\xfa\xde\x71\x71xyz", 7));
    auto parsed = CodeSignatureFromNoteDescription(good.constData(), std::size_t(good.size()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->identifier, QByteArray("a.b.c"));
    EXPECT_EQ(parsed->entitlementsBlob, QByteArray("\xfa\xde\x71\x71xyz", 7));

    // The final padding may be absent: the note's size ends at the last byte.
    EXPECT_TRUE(CodeSignatureFromNoteDescription(good.constData(), std::size_t(good.size() - 1)));
    // Cut inside the blob, inside a size word, before the version.
    EXPECT_FALSE(CodeSignatureFromNoteDescription(good.constData(), std::size_t(good.size() - 2)));
    EXPECT_FALSE(CodeSignatureFromNoteDescription(good.constData(), 14));
    EXPECT_FALSE(CodeSignatureFromNoteDescription(good.constData(), 3));
    EXPECT_FALSE(CodeSignatureFromNoteDescription(nullptr, 0));

    QByteArray otherVersion = good;
    otherVersion[0] = 2;
    EXPECT_FALSE(
        CodeSignatureFromNoteDescription(otherVersion.constData(), std::size_t(good.size())));

    // A size word that claims more than the note holds.
    QByteArray oversized = good;
    const std::uint32_t huge = 0xfffffff0u;
    std::memcpy(oversized.data() + 4, &huge, 4);
    EXPECT_FALSE(
        CodeSignatureFromNoteDescription(oversized.constData(), std::size_t(oversized.size())));

    const QByteArray empty = note("", "");
    parsed = CodeSignatureFromNoteDescription(empty.constData(), std::size_t(empty.size()));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->identifier.isEmpty());
    EXPECT_TRUE(parsed->entitlementsBlob.isEmpty());
}
