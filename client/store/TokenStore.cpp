// The file holds exactly the protected blob. A new blob is written to a file
// of its own beside the token file and then renamed over it, so that a write
// that fails half-way (a full disk, a size limit) leaves the token stored
// before intact instead of a truncated file that the next start would delete
// as damaged.

#include "store/TokenStore.h"

#include "platform/DataProtection.h"
#include "platform/FileOps.h"
#include "platform/SpecialFolders.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace nimbral {

namespace {

namespace fs = std::filesystem;

// One separator between the parts unless Left ends in one already; an empty
// Left leaves Right alone, relative to the current folder.
fs::path JoinPath(const fs::path& Left, const fs::path& Right) {
    if (Left.empty())
        return Right;
    fs::path::string_type text = Left.native();
    const auto last = text.back();
    if (last != '/' && last != fs::path::preferred_separator)
        text += fs::path::preferred_separator;
    text += Right.native();
    return text;
}

// A folder that merely could not be made (no rights, a read-only disk) is
// left to the reads and writes that follow to fail; a path that can never
// name a folder is the caller's to hear.
void MakeFolder(const fs::path& Folder) {
    std::error_code ec;
    fs::create_directories(Folder, ec);
    if (ec == std::errc::filename_too_long || ec == std::errc::not_a_directory ||
        ec == std::errc::too_many_symbolic_link_levels || ec == std::errc::invalid_argument ||
        ec == std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("the token's folder cannot be used", Folder, ec);
}

std::string ReadWholeFile(const fs::path& File) {
    std::ifstream in(File, std::ios::binary);
    if (!in)
        throw std::runtime_error("the token file cannot be opened");
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw std::runtime_error("the token file cannot be read");
    return bytes;
}

void ReplaceWholeFile(const fs::path& File, const std::string& Bytes) {
    std::random_device random;
    fs::path pending = File;
    pending += "." + std::to_string(random()) + ".new";
    try {
        std::ofstream out(pending, std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("the token file cannot be written");
        // Closed to others before a byte is in it.
        fs::permissions(pending, fs::perms::owner_read | fs::perms::owner_write);
        out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
        out.close();
        if (!out)
            throw std::runtime_error("the token file cannot be written");
        fs::rename(pending, File);
    } catch (...) {
        platform::DeleteFileNoThrow(pending);
        throw;
    }
}

}  // namespace

fs::path GetTokenFilePath() {
    const fs::path folder = JoinPath(platform::UserConfigFolder(), "NimbralClient");
    MakeFolder(folder);
    return JoinPath(folder, "auth.dat");
}

bool SaveToken(const std::string& Token) {
    if (Token.empty()) {
        ClearToken();
        return true;
    }
    const auto blob = platform::ProtectForUser(Token, "NimbralClient auth");
    if (!blob)
        return false;
    try {
        ReplaceWholeFile(GetTokenFilePath(), *blob);
        return true;
    } catch (...) {
        return false;
    }
}

std::string LoadToken() {
    const fs::path file = GetTokenFilePath();
    std::error_code ec;
    if (!fs::exists(file, ec))
        return {};
    std::string blob;
    try {
        blob = ReadWholeFile(file);
    } catch (const std::exception&) {
        return {};
    }
    if (blob.empty())
        return {};
    auto token = platform::UnprotectForUser(blob);
    if (!token) {
        ClearToken();
        return {};
    }
    return std::move(*token);
}

void ClearToken() noexcept {
    try {
        const fs::path file = GetTokenFilePath();
        std::error_code ec;
        if (fs::exists(file, ec))
            platform::DeleteFileNoThrow(file);
    } catch (...) {
    }
}

}  // namespace nimbral
