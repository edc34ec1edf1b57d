#pragma once
// Starting a program file the way the desktop shell does: verb "open", no
// arguments, normal window state, in a given working folder. Used to start
// the freshly installed build; the started program is detached from this
// process and outlives it.

#include <filesystem>

namespace nimbral::platform {

// True when Program was started.
bool StartProgramDetached(const std::filesystem::path& Program,
                          const std::filesystem::path& WorkDir) noexcept;

}  // namespace nimbral::platform
