#pragma once
// Archives written byte for byte as a test needs them: libzip with stored
// entries and names taken as raw bytes, so that unsafe and non-UTF-8 names,
// the UTF-8 flag, the Unicode path field and the "made by" system of each
// entry can be chosen.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace nimbral::test {

struct TZipEntry {
    TZipEntry(std::string AName, std::string AData) : Name(std::move(AName)), Data(std::move(AData)) {}

    std::string Name;  // raw bytes as they go into the archive
    std::string Data;
    // Mark the name as UTF-8 (general purpose bit 11).
    bool Utf8Flag = false;
    // When not empty: an Info-ZIP Unicode path field (0x7075) naming the
    // entry with this UTF-8 text.
    std::string UnicodePath;
    // The system that made the entry and its external attributes; none
    // keeps libzip's own (Unix, mode 0666).
    std::optional<std::pair<zip_uint8_t, zip_uint32_t>> MadeBy;

    TZipEntry& FlaggedUtf8() {
        Utf8Flag = true;
        return *this;
    }
    TZipEntry& WithUnicodePath(std::string Utf8Name) {
        UnicodePath = std::move(Utf8Name);
        return *this;
    }
    // Made on Unix with the given mode, file type bits included (0100644
    // for a regular file, 0120777 for a symbolic link).
    TZipEntry& WithUnixMode(std::uint32_t Mode) {
        MadeBy = {ZIP_OPSYS_UNIX, Mode << 16};
        return *this;
    }
    // Made on Windows: DOS attributes (archive), no Unix mode at all.
    TZipEntry& MadeOnWindows() {
        MadeBy = {ZIP_OPSYS_DOS, 0x20};
        return *this;
    }
};

// libzip sets no Unicode path field of its own choosing: the field goes in
// under this stand-in id, changed in the written file.
inline constexpr zip_uint16_t kStandInFieldId = 0x7A7A;

// What libzip does not let a test choose, changed in the written bytes:
// the UTF-8 flag, which libzip sets for every name that happens to be valid
// UTF-8, is cleared on entries not meant to carry it, and the stand-in id
// becomes the Unicode path field's.
inline void PatchWrittenZip(std::string& Bytes, const std::vector<TZipEntry>& Entries,
                            const std::vector<std::string>& UnicodeFields) {
    const auto u16 = [&](std::size_t At) {
        return static_cast<std::size_t>(static_cast<unsigned char>(Bytes[At]) |
                                        static_cast<unsigned char>(Bytes[At + 1]) << 8);
    };
    // Local headers: flags at 6, name length at 26, name at 30; central
    // headers: flags at 8, name length at 28, name at 46.
    for (const auto& [signature, flags, length, name] :
         {std::tuple{std::string("PK\x03\x04", 4), 6, 26, 30}, std::tuple{std::string("PK\x01\x02", 4), 8, 28, 46}}) {
        for (std::size_t at = Bytes.find(signature); at != std::string::npos; at = Bytes.find(signature, at + 4)) {
            const std::string headerName = Bytes.substr(at + name, u16(at + length));
            for (const TZipEntry& e : Entries) {
                if (e.Name == headerName && !e.Utf8Flag)
                    Bytes[at + flags + 1] = static_cast<char>(Bytes[at + flags + 1] & ~0x08);  // bit 11
            }
        }
    }
    for (const std::string& field : UnicodeFields) {
        const std::string standIn = std::string("\x7A\x7A") + static_cast<char>(field.size() & 0xFF) +
                                    static_cast<char>(field.size() >> 8) + field;
        for (std::size_t at = Bytes.find(standIn); at != std::string::npos; at = Bytes.find(standIn, at + 1)) {
            Bytes[at] = '\x75';
            Bytes[at + 1] = '\x70';
        }
    }
}

inline void MakeStoredZip(const std::filesystem::path& Path, const std::vector<TZipEntry>& Entries) {
    std::vector<std::string> unicodeFields;
    int error = 0;
    zip_t* zip = zip_open(Path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr)
        throw std::runtime_error("cannot create " + Path.string());
    const auto fail = [&](const std::string& What) {
        zip_discard(zip);
        throw std::runtime_error(What);
    };
    for (const auto& e : Entries) {
        zip_source_t* src = zip_source_buffer(zip, e.Data.data(), e.Data.size(), 0);
        const zip_int64_t added =
            zip_file_add(zip, e.Name.c_str(), src, e.Utf8Flag ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW);
        if (added < 0) {
            zip_source_free(src);
            fail("cannot add " + e.Name);
        }
        const auto index = static_cast<zip_uint64_t>(added);
        zip_set_file_compression(zip, index, ZIP_CM_STORE, 0);
        if (e.MadeBy && zip_file_set_external_attributes(zip, index, 0, e.MadeBy->first, e.MadeBy->second) != 0)
            fail("cannot set the attributes of " + e.Name);
        if (!e.UnicodePath.empty()) {
            // Version 1, the CRC-32 of the name in the header, the UTF-8 name.
            const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.Name.data()), static_cast<uInt>(e.Name.size()));
            std::string field(1, '\x01');
            for (int shift = 0; shift < 32; shift += 8)
                field += static_cast<char>((crc >> shift) & 0xFF);
            field += e.UnicodePath;
            if (zip_file_extra_field_set(zip, index, kStandInFieldId, ZIP_EXTRA_FIELD_NEW,
                                         reinterpret_cast<const zip_uint8_t*>(field.data()),
                                         static_cast<zip_uint16_t>(field.size()), ZIP_FL_CENTRAL | ZIP_FL_LOCAL) != 0)
                fail("cannot set the Unicode path of " + e.Name);
            unicodeFields.push_back(field);
        }
    }
    if (zip_close(zip) != 0)
        fail("cannot write " + Path.string());

    std::string bytes;
    {
        std::ifstream in(Path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    PatchWrittenZip(bytes, Entries, unicodeFields);
    std::ofstream(Path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace nimbral::test
