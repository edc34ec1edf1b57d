#include "platform/Sha256.h"
#include "update/PathText.h"
#include "update/Updater.h"

#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace nimbral {

std::string FileSha256(const std::filesystem::path& File) {
    std::ifstream in(File, std::ios::binary);
    if (!in)
        throw std::runtime_error("파일을 열 수 없습니다: " + PathText(File));
    in.rdbuf()->pubsetbuf(nullptr, 0);  // our 64 KiB buffer is the only one

    platform::TSha256 hash;
    std::vector<char> buffer(64 * 1024);
    std::uintmax_t total = 0;
    for (;;) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = in.gcount();
        if (got > 0) {
            hash.Update(buffer.data(), static_cast<std::size_t>(got));
            total += static_cast<std::uintmax_t>(got);
        }
        if (got == 0 || !in)
            break;
    }
    // A stream reports a failed read like the end of the file; a hash of the
    // bytes read so far must not pass for the file's, so the count decides.
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(File, ec);
    if (ec || size != total)
        throw std::runtime_error("파일을 읽을 수 없습니다: " + PathText(File));

    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : hash.Final()) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

}  // namespace nimbral
