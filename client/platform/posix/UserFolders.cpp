#include "platform/posix/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbral::platform::posix {

namespace {

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return home;
    // Started without HOME (a service manager, a bare exec): the account's
    // entry still names it.
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && *found->pw_dir != '\0')
        return found->pw_dir;
    throw std::runtime_error("the user's home folder is unknown");
}

}  // namespace

std::filesystem::path XdgBaseFolder(const char* Var, const char* Fallback) {
    const char* value = std::getenv(Var);
    if (value != nullptr && value[0] == '/')
        return value;
    return HomeFolder() / Fallback;
}

void RequireOwnFolder(const std::filesystem::path& Folder) {
    struct stat st {};
    if (::lstat(Folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        throw std::runtime_error("the folder is not this user's own: " + Folder.string());
}

std::filesystem::path OwnFolder(const std::filesystem::path& Folder) {
    if (::mkdir(Folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("the folder cannot be made: " + Folder.string() + ": " +
                                 std::generic_category().message(errno));
    RequireOwnFolder(Folder);
    return Folder;
}

}  // namespace nimbral::platform::posix
