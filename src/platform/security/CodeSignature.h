#pragma once

// The signing information that the build embeds into an executable (see CodeSign.cmake): the
// signing identifier and the entitlements blob. It travels as an ELF note of the executable,
// so it is mapped with the program and survives stripping.
//
// Note layout: name "Lumenreel", type kCodeSignatureNoteType, and a description of native
// 32-bit words:
//   version (1) | identifier size | identifier bytes, padded to 4 | blob size | blob bytes
// The blob is the platform's embedded-entitlements blob (magic FA DE 71 71, big-endian total
// length, XML property list); it is handed on as it is, without checking it here.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

inline constexpr char kCodeSignatureNoteName[] = "Lumenreel";
inline constexpr std::uint32_t kCodeSignatureNoteType = 0x4c52c5e1;
inline constexpr std::uint32_t kCodeSignatureNoteVersion = 1;

struct EmbeddedCodeSignature {
    QByteArray identifier;
    QByteArray entitlementsBlob;
};

// Reads the description of a signature note. Nothing for a description that is cut, of
// another version, or whose sizes run past its end.
std::optional<EmbeddedCodeSignature> CodeSignatureFromNoteDescription(const void* bytes,
                                                                      std::size_t size);

// The signature of the running executable (the main program, not a shared library), or
// nothing when it was built unsigned. Read once and cached.
const std::optional<EmbeddedCodeSignature>& CodeSignatureOfRunningExecutable();
