// The new build is started in a session of its own, with its standard
// streams on /dev/null and no other descriptor of ours, so it neither shares
// our terminal nor keeps our pipes, connections or locks open after we end;
// and with no signal blocked or ignored, as a program started by the shell
// would be, whatever this process (or a library in it) did to SIGPIPE.

#include "platform/ProcessStart.h"
#include "platform/posix/SpawnHandles.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace nimbral::platform {

bool StartProgramDetached(const std::filesystem::path& Program,
                          const std::filesystem::path& WorkDir) noexcept {
    TSpawnActions actions;
    TSpawnAttr attr;
    for (int fd = 0; fd <= 2; ++fd) {
        if (posix_spawn_file_actions_addopen(&actions.Actions, fd, "/dev/null",
                                             fd == 0 ? O_RDONLY : O_WRONLY, 0) != 0)
            return false;
    }
    if (posix_spawn_file_actions_addclosefrom_np(&actions.Actions, 3) != 0)
        return false;
    if (posix_spawn_file_actions_addchdir_np(&actions.Actions, WorkDir.c_str()) != 0)
        return false;
    if (ResetSpawnSignals(attr.Attr, POSIX_SPAWN_SETSID) != 0)
        return false;

    std::string program = Program.string();
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    // glibc reports a failed exec as the result of posix_spawn itself.
    return posix_spawn(&pid, program.c_str(), &actions.Actions, &attr.Attr, argv, environ) == 0;
}

}  // namespace nimbral::platform
