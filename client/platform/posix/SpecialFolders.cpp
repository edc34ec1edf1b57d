#include "platform/SpecialFolders.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace nimbral::platform {

std::filesystem::path RunningProgramFile() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw std::runtime_error("the running program's path is unknown: " + ec.message());
    return path;
}

std::filesystem::path UserTempFolder() {
    const char* dir = std::getenv("TMPDIR");
    if (dir != nullptr && *dir != '\0')
        return dir;
    return "/tmp";
}

}  // namespace nimbral::platform
