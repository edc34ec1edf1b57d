#pragma once
// Archives written byte for byte as a test needs them: libzip with stored
// entries and names taken as raw bytes, so that unsafe and non-UTF-8 names can
// be made.

#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace nimbral::test {

struct TZipEntry {
    std::string Name;  // raw bytes as they go into the archive
    std::string Data;
};

// Where the archive says its entries were made: Unix records no permission
// bits here (libzip's default for data from memory); Windows records DOS
// attributes only, as archivers there do.
enum class TMadeOn { Unix, Windows };

inline void MakeStoredZip(const std::filesystem::path& Path, const std::vector<TZipEntry>& Entries,
                          TMadeOn MadeOn = TMadeOn::Unix) {
    int error = 0;
    zip_t* zip = zip_open(Path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr)
        throw std::runtime_error("cannot create " + Path.string());
    for (const auto& e : Entries) {
        zip_source_t* src = zip_source_buffer(zip, e.Data.data(), e.Data.size(), 0);
        const zip_int64_t index = zip_file_add(zip, e.Name.c_str(), src, ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(src);
            zip_discard(zip);
            throw std::runtime_error("cannot add " + e.Name);
        }
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        if (MadeOn == TMadeOn::Windows)
            zip_file_set_external_attributes(zip, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_DOS,
                                             0x20 /* FILE_ATTRIBUTE_ARCHIVE */);
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        throw std::runtime_error("cannot write " + Path.string());
    }
}

}  // namespace nimbral::test
