// The user's temporary folder. TMPDIR, and /tmp without it, are shared by
// every user of the machine, while the update keeps its package and its
// staging folder there and installs the staged files as it finds them; so the
// folder handed out is one below it that only this user can write to:
// "nimbral-<uid>" when that is a real folder of this user that no one else
// could write into (one that others could only read is narrowed to 0700),
// else a fresh folder with an unpredictable name made for this process. A
// name taken by another user, or a folder once open to others' writing, is
// never trusted, and never blocks the update either.
// The settings folder follows the XDG base-directory rules.

#include "platform/SpecialFolders.h"

#include "platform/posix/UserFolders.h"

#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
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

namespace {

// Opens Folder without following a link and checks, on what was opened, that
// it is a folder of this user that no one else can write into; narrows a mode
// that lets others read or enter it. The descriptor is closed on return.
bool TakeOver(const std::filesystem::path& Folder) {
    const int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ours = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
                      (st.st_mode & 022) == 0 && ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return ours;
}

}  // namespace

std::filesystem::path UserTempFolder() {
    const char* dir = std::getenv("TMPDIR");
    const std::filesystem::path base = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    const std::string stem = "nimbral-" + std::to_string(::getuid());
    const std::filesystem::path folder = base / stem;
    if ((::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) && TakeOver(folder))
        return folder;

    // One fresh folder per process: a second try of the update finds its
    // package and staging folder where the first left them.
    static std::mutex guard;
    static std::filesystem::path made;
    const std::lock_guard<std::mutex> lock(guard);
    if (made.empty() || made.parent_path() != base || !TakeOver(made)) {
        std::string name = (base / (stem + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) == nullptr)
            throw std::runtime_error("the temporary folder cannot be made below " + base.string() + ": " +
                                     std::generic_category().message(errno));
        made = name;
    }
    return made;
}

std::filesystem::path UserConfigFolder() {
    return posix::XdgBaseFolder("XDG_CONFIG_HOME", ".config");
}

}  // namespace nimbral::platform
