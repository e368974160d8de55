#include "platform/security/CodeSignature.h"

#include <elf.h>
#include <link.h>

#include <cstring>

namespace {

bool readWord(const unsigned char*& cursor, const unsigned char* end, std::uint32_t& out) {
    if (end - cursor < 4)
        return false;
    std::memcpy(&out, cursor, 4);
    cursor += 4;
    return true;
}

bool readBytes(const unsigned char*& cursor, const unsigned char* end, QByteArray& out) {
    std::uint32_t size = 0;
    if (!readWord(cursor, end, size))
        return false;
    const std::size_t padded = (std::size_t(size) + 3) & ~std::size_t(3);
    if (std::size_t(end - cursor) < size)
        return false;
    out = QByteArray(reinterpret_cast<const char*>(cursor), qsizetype(size));
    cursor += std::min(padded, std::size_t(end - cursor));
    return true;
}

constexpr std::size_t align4(std::size_t n) {
    return (n + 3) & ~std::size_t(3);
}

// Walks the notes of one loaded PT_NOTE segment.
std::optional<EmbeddedCodeSignature> findInNoteSegment(const unsigned char* begin,
                                                       std::size_t size) {
    const unsigned char* cursor = begin;
    const unsigned char* end = begin + size;
    while (std::size_t(end - cursor) >= sizeof(ElfW(Nhdr))) {
        ElfW(Nhdr) header;
        std::memcpy(&header, cursor, sizeof header);
        cursor += sizeof header;
        const std::size_t nameSize = align4(header.n_namesz);
        const std::size_t descSize = align4(header.n_descsz);
        if (std::size_t(end - cursor) < nameSize ||
            std::size_t(end - cursor) - nameSize < header.n_descsz)
            return std::nullopt;
        const char* name = reinterpret_cast<const char*>(cursor);
        const unsigned char* desc = cursor + nameSize;
        if (header.n_type == kCodeSignatureNoteType &&
            header.n_namesz == sizeof kCodeSignatureNoteName &&
            std::memcmp(name, kCodeSignatureNoteName, sizeof kCodeSignatureNoteName) == 0)
            return CodeSignatureFromNoteDescription(desc, header.n_descsz);
        cursor = desc + std::min(descSize, std::size_t(end - desc));
    }
    return std::nullopt;
}

struct SearchState {
    bool visited = false;
    std::optional<EmbeddedCodeSignature> found;
};

int visitMainProgram(struct dl_phdr_info* info, size_t, void* data) {
    auto* state = static_cast<SearchState*>(data);
    // The first object reported is the main program.
    state->visited = true;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum && !state->found; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_NOTE)
            continue;
        const auto* begin =
            reinterpret_cast<const unsigned char*>(info->dlpi_addr + segment.p_vaddr);
        state->found = findInNoteSegment(begin, segment.p_memsz);
    }
    return 1;
}

} // namespace

std::optional<EmbeddedCodeSignature> CodeSignatureFromNoteDescription(const void* bytes,
                                                                      std::size_t size) {
    if (!bytes)
        return std::nullopt;
    const auto* cursor = static_cast<const unsigned char*>(bytes);
    const unsigned char* end = cursor + size;
    std::uint32_t version = 0;
    if (!readWord(cursor, end, version) || version != kCodeSignatureNoteVersion)
        return std::nullopt;
    EmbeddedCodeSignature signature;
    if (!readBytes(cursor, end, signature.identifier) ||
        !readBytes(cursor, end, signature.entitlementsBlob))
        return std::nullopt;
    return signature;
}

const std::optional<EmbeddedCodeSignature>& CodeSignatureOfRunningExecutable() {
    static const std::optional<EmbeddedCodeSignature> sSignature = [] {
        SearchState state;
        dl_iterate_phdr(&visitMainProgram, &state);
        return state.found;
    }();
    return sSignature;
}
