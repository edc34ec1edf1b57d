#pragma once
// Paths the system knows for the running program and the current user.

#include <filesystem>

namespace nimbral::platform {

// Full path of the running program file, as the process was started.
// Raises std::runtime_error when the system cannot tell it.
std::filesystem::path RunningProgramFile();

// The current user's temporary folder (long-name form where the system has
// short names).
std::filesystem::path UserTempFolder();

// The current user's roaming settings folder: on Windows the "APPDATA"
// environment variable as it is (empty when unset, so that what is joined to
// it stays relative to the current folder); on Linux $XDG_CONFIG_HOME, else
// ~/.config. Raises std::runtime_error for a value with characters that
// cannot be part of a path, or when Linux knows no home folder.
std::filesystem::path UserConfigFolder();

}  // namespace nimbral::platform
