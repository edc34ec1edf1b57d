// Linux file operations of the update swap. The no-replace rename is
// renameat2(RENAME_NOREPLACE); on file systems that lack it, a hard link plus
// unlink gives the same "never replace" guarantee.

#include "platform/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace nimbral::platform {

bool RenameNoReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept {
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(From.c_str(), To.c_str()) != 0)
        return false;
    if (::unlink(From.c_str()) != 0) {
        ::unlink(To.c_str());
        return false;
    }
    return true;
}

bool CopyFileReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept {
    std::error_code ec;
    return std::filesystem::copy_file(From, To, std::filesystem::copy_options::overwrite_existing, ec) &&
           !ec;
}

bool DeleteFileNoThrow(const std::filesystem::path& File) noexcept {
    return ::unlink(File.c_str()) == 0;
}

bool ScheduleDeleteAtRestart(const std::filesystem::path&) noexcept {
    return false;  // no such facility here; the next start's clean-up takes the file
}

void ApplyArchiveMode(const std::filesystem::path& File, std::uint32_t Mode) {
    // Only the rwx bits, and no one but the owner may write: an update
    // package never makes a setuid, setgid or sticky file, nor a program file
    // that another user could replace. The owner keeps read and write so
    // later swaps can move and delete the file.
    if (::chmod(File.c_str(), static_cast<mode_t>((Mode & 0755) | 0600)) != 0)
        throw std::filesystem::filesystem_error("chmod", File,
                                                std::error_code(errno, std::generic_category()));
}

std::optional<std::uint32_t> FileModeOf(const std::filesystem::path& File) noexcept {
    struct stat st {};
    if (::stat(File.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(st.st_mode & 07777);
}

}  // namespace nimbral::platform
