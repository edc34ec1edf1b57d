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

}  // namespace nimbral::platform
