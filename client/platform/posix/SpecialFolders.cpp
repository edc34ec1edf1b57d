// The user's temporary folder. TMPDIR, and /tmp without it, are shared by
// every user of the machine, while the update keeps its package and its
// staging folder there and installs the staged files as it finds them; so the
// folder handed out is one below it that only this user can write to,
// "nimbral-<uid>", made with mode 0700 and trusted only when it is a real
// folder of this user that no one else may write into.

#include "platform/SpecialFolders.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

#include <sys/stat.h>
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
    const uid_t uid = ::getuid();
    const std::filesystem::path folder = base / ("nimbral-" + std::to_string(uid));

    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("the temporary folder cannot be made: " + folder.string() + ": " +
                                 std::generic_category().message(errno));
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid ||
        (st.st_mode & 077) != 0)
        throw std::runtime_error("the temporary folder is not this user's own: " + folder.string());
    return folder;
}

}  // namespace nimbral::platform
