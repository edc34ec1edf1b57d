// The user's temporary folder. TMPDIR, and /tmp without it, are shared by
// every user of the machine, while the update keeps its package and its
// staging folder there and installs the staged files as it finds them; so the
// folder handed out is one below it that only this user can write to,
// "nimbral-<uid>", made with mode 0700 and trusted only when it is a real
// folder of this user that no one else may write into.
// The settings folder follows the XDG base-directory rules.

#include "platform/SpecialFolders.h"

#include "platform/posix/UserFolders.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <unistd.h>

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
    const std::filesystem::path base = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    return posix::OwnFolder(base / ("nimbral-" + std::to_string(::getuid())));
}

std::filesystem::path UserConfigFolder() {
    return posix::XdgBaseFolder("XDG_CONFIG_HOME", ".config");
}

}  // namespace nimbral::platform
