#pragma once
// Archives written byte for byte as a test needs them: libzip with stored
// entries and names taken as raw bytes, so that unsafe and non-UTF-8 names,
// the UTF-8 flag, the Unicode path field and the "made by" system of each
// entry can be chosen.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
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
    // Made on Unix with the given mode bits.
    TZipEntry& WithUnixMode(std::uint32_t Mode) {
        MadeBy = {ZIP_OPSYS_UNIX, (0100000u | Mode) << 16};
        return *this;
    }
    // Made on Windows: DOS attributes (archive), no Unix mode at all.
    TZipEntry& MadeOnWindows() {
        MadeBy = {ZIP_OPSYS_DOS, 0x20};
        return *this;
    }
};

inline void MakeStoredZip(const std::filesystem::path& Path, const std::vector<TZipEntry>& Entries) {
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
            if (zip_file_extra_field_set(zip, index, 0x7075, ZIP_EXTRA_FIELD_NEW,
                                         reinterpret_cast<const zip_uint8_t*>(field.data()),
                                         static_cast<zip_uint16_t>(field.size()), ZIP_FL_CENTRAL | ZIP_FL_LOCAL) != 0)
                fail("cannot set the Unicode path of " + e.Name);
        }
    }
    if (zip_close(zip) != 0)
        fail("cannot write " + Path.string());
}

}  // namespace nimbral::test
