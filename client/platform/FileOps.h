#pragma once
// File operations of the self-update swap, one call each, as the system
// provides them. None of them raises: each reports success so the caller can
// undo what it already did.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace nimbral::platform {

// Renames a file; fails when To already exists (an existing target is never
// replaced) or when From cannot be moved.
bool RenameNoReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept;

// Copies From to To, replacing To when it exists.
bool CopyFileReplace(const std::filesystem::path& From, const std::filesystem::path& To) noexcept;

// Deletes one file; false when it is not there or cannot be deleted.
bool DeleteFileNoThrow(const std::filesystem::path& File) noexcept;

// Asks the system to delete File at the next restart of the machine. Where
// the system has no such facility it does nothing and returns false: the file
// then waits for the next start's clean-up of "*.old" files.
bool ScheduleDeleteAtRestart(const std::filesystem::path& File) noexcept;

// Gives an unpacked file the Unix permission bits Mode. Setuid, setgid and
// sticky are never set, nor write for group and others; the owner always
// keeps read and write (later swaps move and delete the file). Does nothing
// where files carry no such bits. Raises std::filesystem::filesystem_error
// when the bits cannot be set.
void ApplyArchiveMode(const std::filesystem::path& File, std::uint32_t Mode);

// The Unix permission bits of File; none when it does not exist or where
// files carry no such bits.
std::optional<std::uint32_t> FileModeOf(const std::filesystem::path& File) noexcept;

}  // namespace nimbral::platform
