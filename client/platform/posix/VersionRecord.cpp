// The version record lives in its own ELF section, ".nimbral_version", so a
// copy of a built program can be given another version with
// `objcopy --update-section` (scripts/stamp-version) without rebuilding.
// Section content: the 8 bytes "NBVERS01", then MS and LS as little-endian
// 32-bit words. The program file is read as a file, like any other program's
// would be; nothing of the running image is trusted.

#include "platform/VersionRecord.h"

#include <array>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <string>
#include <vector>

namespace nimbral::platform {

namespace {

constexpr char kSectionName[] = ".nimbral_version";
constexpr char kMagic[8] = {'N', 'B', 'V', 'E', 'R', 'S', '0', '1'};
constexpr std::size_t kRecordSize = 16;

bool ReadAt(std::ifstream& In, std::uint64_t Offset, void* Dest, std::size_t Size) {
    In.seekg(static_cast<std::streamoff>(Offset));
    In.read(static_cast<char*>(Dest), static_cast<std::streamsize>(Size));
    return static_cast<std::size_t>(In.gcount()) == Size;
}

std::uint32_t Le32(const unsigned char* P) {
    return std::uint32_t(P[0]) | std::uint32_t(P[1]) << 8 | std::uint32_t(P[2]) << 16 |
           std::uint32_t(P[3]) << 24;
}

template <class TEhdr, class TShdr>
std::optional<TVersionRecord> FindRecord(std::ifstream& In) {
    TEhdr eh;
    if (!ReadAt(In, 0, &eh, sizeof eh) || eh.e_shentsize != sizeof(TShdr) || eh.e_shnum == 0 ||
        eh.e_shstrndx >= eh.e_shnum)
        return std::nullopt;

    std::vector<TShdr> sections(eh.e_shnum);
    if (!ReadAt(In, eh.e_shoff, sections.data(), sections.size() * sizeof(TShdr)))
        return std::nullopt;

    const TShdr& strtab = sections[eh.e_shstrndx];
    if (strtab.sh_size > (1u << 20))
        return std::nullopt;
    std::string names(strtab.sh_size, '\0');
    if (!ReadAt(In, strtab.sh_offset, names.data(), names.size()))
        return std::nullopt;

    for (const TShdr& s : sections) {
        if (s.sh_name >= names.size() || std::strcmp(names.c_str() + s.sh_name, kSectionName) != 0)
            continue;
        if (s.sh_type == SHT_NOBITS || s.sh_size != kRecordSize)
            return std::nullopt;
        std::array<unsigned char, kRecordSize> record;
        if (!ReadAt(In, s.sh_offset, record.data(), record.size()) ||
            std::memcmp(record.data(), kMagic, sizeof kMagic) != 0)
            return std::nullopt;
        return TVersionRecord{Le32(record.data() + 8), Le32(record.data() + 12)};
    }
    return std::nullopt;
}

}  // namespace

std::optional<TVersionRecord> ReadVersionRecord(const std::filesystem::path& ProgramFile) noexcept {
    try {
        std::ifstream in(ProgramFile, std::ios::binary);
        unsigned char ident[EI_NIDENT];
        if (!in || !ReadAt(in, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
            return std::nullopt;
        const bool littleEndianHost = [] {
            const std::uint16_t one = 1;
            return *reinterpret_cast<const unsigned char*>(&one) == 1;
        }();
        if (ident[EI_DATA] != (littleEndianHost ? ELFDATA2LSB : ELFDATA2MSB))
            return std::nullopt;  // headers in a foreign byte order: not a program of ours
        if (ident[EI_CLASS] == ELFCLASS64)
            return FindRecord<Elf64_Ehdr, Elf64_Shdr>(in);
        if (ident[EI_CLASS] == ELFCLASS32)
            return FindRecord<Elf32_Ehdr, Elf32_Shdr>(in);
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace nimbral::platform
