// Windows file operations of the update swap, one system call each.
#include "platform/FileOps.h"

#include <windows.h>

namespace nimbral::platform {

bool RenameNoReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept {
    return MoveFileW(From.c_str(), To.c_str()) != FALSE;
}

bool CopyFileReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept {
    return CopyFileW(From.c_str(), To.c_str(), FALSE) != FALSE;
}

bool DeleteFileNoThrow(const std::filesystem::path& File) noexcept {
    return DeleteFileW(File.c_str()) != FALSE;
}

bool ScheduleDeleteAtRestart(const std::filesystem::path& File) noexcept {
    // Refused without the rights to write the pending-rename list; the file
    // then waits for the next start's clean-up.
    return MoveFileExW(File.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// Windows files carry no Unix permission bits.
void ApplyArchiveMode(const std::filesystem::path&, std::uint32_t) {}

std::optional<std::uint32_t> FileModeOf(const std::filesystem::path&) noexcept {
    return std::nullopt;
}

}  // namespace nimbral::platform
