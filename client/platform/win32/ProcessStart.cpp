#include "platform/ProcessStart.h"

#include <windows.h>
#include <shellapi.h>

namespace nimbral::platform {

bool StartProgramDetached(const std::filesystem::path& Program,
                          const std::filesystem::path& WorkDir) noexcept {
    const HINSTANCE Result =
        ShellExecuteW(nullptr, L"open", Program.c_str(), nullptr, WorkDir.c_str(), SW_SHOWNORMAL);
    // ShellExecuteW reports success as a value greater than 32.
    return reinterpret_cast<INT_PTR>(Result) > 32;
}

}  // namespace nimbral::platform
