// ExtractZip on arbitrary bytes: it may refuse the archive or raise for an
// entry, but must not crash, hang or write outside its folder.

#include "update/Updater.h"

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path& WorkDir() {
    static const fs::path dir = fs::temp_directory_path() / ("fuzz_extract_zip-" + std::to_string(::getpid()));
    return dir;
}

// Entries may claim any size; keep what one run may write to disk small.
bool DeclaredSizeFits(const fs::path& Archive) {
    int error = 0;
    zip_t* zip = zip_open(Archive.c_str(), ZIP_RDONLY, &error);
    if (zip == nullptr)
        return true;  // ExtractZip gets to refuse it itself
    std::uint64_t total = 0;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            total += st.size;
    }
    zip_discard(zip);
    return count < 1000 && total < (16u << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const fs::path archive = WorkDir() / "input.zip";
    const fs::path out = WorkDir() / "out";
    fs::create_directories(WorkDir());
    {
        std::ofstream f(archive, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    }
    if (DeclaredSizeFits(archive)) {
        try {
            nimbral::ExtractZip(archive, out);
        } catch (const std::exception&) {
            // a damaged entry raises; that is the contract
        }
    }
    // Nothing may have landed beside the output folder.
    for (const auto& entry : fs::directory_iterator(WorkDir())) {
        if (entry.path() != archive && entry.path() != out)
            __builtin_trap();
    }
    fs::remove_all(WorkDir());  // libFuzzer ends without running exit handlers
    return 0;
}
