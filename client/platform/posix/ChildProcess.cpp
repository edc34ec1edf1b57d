// A child process on Linux: posix_spawn with an argument vector (no shell
// ever splits a value), and a pidfd as the handle, so waiting, reading the
// exit code and ending the process all name this one process even after
// its pid has been reused.

#include "platform/ChildProcess.h"
#include "platform/posix/SpawnHandles.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
// glibc 2.36 declares these without C linkage.
extern "C" {
#include <sys/pidfd.h>
}
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace nimbral::platform {

namespace {

std::string ErrorText(int Code)
{
    return std::system_category().message(Code);
}

TChildProcess::TStart Failed(int Code)
{
    return {TChildProcess(), ErrorText(Code)};
}

int WaitFor(int PidFd, int Options, siginfo_t& Info)
{
    Info = {};
    int Result;
    do {
        Result = waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(PidFd), &Info, Options);
    } while (Result == -1 && errno == EINTR);
    return Result;
}

}  // namespace

std::string ExecutableSuffix()
{
    return {};
}

TChildProcess::TStart TChildProcess::Start(const std::vector<std::string>& Argv,
                                          const std::filesystem::path& WorkDir)
{
    if (Argv.empty())
        return Failed(EINVAL);
    std::vector<char*> Args;
    for (const std::string& Value : Argv) {
        if (Value.find('\0') != std::string::npos)
            return Failed(EINVAL);
        Args.push_back(const_cast<char*>(Value.c_str()));
    }
    Args.push_back(nullptr);

    TSpawnActions Actions;
    TSpawnAttr Attr;
    // Nothing of ours beyond the standard streams reaches the child.
    if (const int Error = posix_spawn_file_actions_addclosefrom_np(&Actions.Actions, 3))
        return Failed(Error);
    if (const int Error = posix_spawn_file_actions_addchdir_np(&Actions.Actions, WorkDir.c_str()))
        return Failed(Error);
    if (const int Error = ResetSpawnSignals(Attr.Attr))
        return Failed(Error);

    pid_t Pid = 0;
    // glibc reports a failed exec (missing file, no permission, not a
    // program) as the result of posix_spawn itself.
    if (const int Error = posix_spawn(&Pid, Argv[0].c_str(), &Actions.Actions, &Attr.Attr, Args.data(), environ))
        return Failed(Error);

    // Nothing reaps the child before we do, so its pid still names it here.
    const int PidFd = pidfd_open(Pid, 0);
    if (PidFd == -1) {
        const int Error = errno;
        // A child we cannot watch must not run on unwatched.
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
        return Failed(Error);
    }
    TStart Started;
    Started.Process.FHandle = PidFd;
    Started.Process.FId = static_cast<std::uint32_t>(Pid);
    return Started;
}

std::optional<std::uint32_t> TChildProcess::ExitCode() const
{
    if (!IsOpen())
        return std::nullopt;
    siginfo_t Info;
    // WNOWAIT leaves the exit to be read again, as Windows does.
    if (WaitFor(static_cast<int>(FHandle), WEXITED | WNOHANG | WNOWAIT, Info) == -1)
        return std::nullopt;
    if (Info.si_pid == 0)
        return StillActive;
    if (Info.si_code == CLD_EXITED)
        return static_cast<std::uint32_t>(Info.si_status);
    return 128u + static_cast<std::uint32_t>(Info.si_status);
}

bool TChildProcess::Wait() const
{
    siginfo_t Info;
    return IsOpen() && WaitFor(static_cast<int>(FHandle), WEXITED | WNOWAIT, Info) == 0;
}

bool TChildProcess::Terminate(std::uint32_t) const
{
    return IsOpen() && pidfd_send_signal(static_cast<int>(FHandle), SIGKILL, nullptr, 0) == 0;
}

void TChildProcess::Close() noexcept
{
    if (!IsOpen())
        return;
    // An ended child is reaped here, where its handle goes, so none is left
    // behind as a zombie; one still running is left to run.
    siginfo_t Info;
    WaitFor(static_cast<int>(FHandle), WEXITED | WNOHANG, Info);
    close(static_cast<int>(FHandle));
    FHandle = NoHandle;
    FId = 0;
}

}  // namespace nimbral::platform
