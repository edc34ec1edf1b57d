#pragma once
// What the end-to-end tests of the real program share: the installed program
// folder (cmake --install of this build), the program started as a process
// with the user's folders in a temporary folder, its windows on the virtual
// display (xwininfo, xprop), screenshots (ImageMagick's import) and the
// processes that run a program file of a folder.
//
// The test program makes itself a child subreaper: a build that an update
// starts detached becomes our child when the build that started it ends, so
// the test can wait for it and end it by its id.

#include <wx/gdicmn.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nimbral::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Output of a shell command line (stderr dropped); empty when it failed.
inline std::string CommandOutput(const std::string& Line)
{
    std::unique_ptr<FILE, int (*)(FILE*)> Pipe(::popen((Line + " 2>/dev/null").c_str(), "r"), ::pclose);
    std::string Out;
    if (!Pipe)
        return Out;
    char Buffer[4096];
    while (const std::size_t N = std::fread(Buffer, 1, sizeof Buffer, Pipe.get()))
        Out.append(Buffer, N);
    return Out;
}

inline bool RunShell(const std::string& Line) { return std::system((Line + " >/dev/null 2>&1").c_str()) == 0; }

inline std::string Quoted(const fs::path& P) { return "'" + P.string() + "'"; }

// Polls Done every 50 ms until it holds or Timeout passes.
inline bool WaitFor(const std::function<bool()>& Done, std::chrono::milliseconds Timeout)
{
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > Deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// Runs a shell command line the test cannot go on without; raises (which
// fails the test) when it fails.
inline void RunOrRaise(const std::string& Line)
{
    if (!RunShell(Line))
        throw std::runtime_error("failed: " + Line);
}

// The program folder that `cmake --install` lays out from this build.
inline void InstallProgramFolder(const fs::path& Prefix)
{
    RunOrRaise(std::string(NIMBRAL_CMAKE_COMMAND) + " --install " + Quoted(NIMBRAL_BUILD_DIR) +
               " --component NimbralClient --prefix " + Quoted(Prefix));
}

inline void StampVersion(const fs::path& Program, const std::string& Version)
{
    RunOrRaise(std::string(NIMBRAL_SOURCE_DIR) + "/scripts/stamp-version " + Quoted(Program) + " " + Version);
}

struct TXWindow {
    std::string Id;
    std::string Name;
    wxRect Rect;  // position on the screen
};

// Every window on the display with that name.
inline std::vector<TXWindow> WindowsNamed(const std::string& Name)
{
    static const std::regex Line(R"re(^\s*(0x[0-9a-f]+) "(.*)": \(.*\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$)re");
    std::vector<TXWindow> Found;
    std::istringstream Tree(CommandOutput("xwininfo -root -tree"));
    for (std::string L; std::getline(Tree, L);) {
        std::smatch M;
        if (std::regex_match(L, M, Line) && M[2] == Name)
            Found.push_back({M[1], M[2], wxRect(std::stoi(M[5]), std::stoi(M[6]), std::stoi(M[3]), std::stoi(M[4]))});
    }
    return Found;
}

inline bool IsViewable(const TXWindow& W)
{
    return CommandOutput("xwininfo -id " + W.Id).find("IsViewable") != std::string::npos;
}

// The shown window of that name, once there is one.
inline std::optional<TXWindow> WaitForWindow(const std::string& Name, std::chrono::milliseconds Timeout)
{
    std::optional<TXWindow> Found;
    WaitFor([&] {
        for (const TXWindow& W : WindowsNamed(Name)) {
            if (IsViewable(W)) {
                Found = W;
                return true;
            }
        }
        return false;
    }, Timeout);
    return Found;
}

inline pid_t WindowPid(const TXWindow& W)
{
    const std::string Out = CommandOutput("xprop -id " + W.Id + " _NET_WM_PID");
    const auto Eq = Out.find('=');
    return Eq == std::string::npos ? -1 : static_cast<pid_t>(std::stol(Out.substr(Eq + 1)));
}

inline void Screenshot(const TXWindow& W, const fs::path& File)
{
    EXPECT_TRUE(RunShell("import -window " + W.Id + " " + Quoted(File))) << File;
}

// Processes whose program file lies in Folder (the running image of a file
// that was renamed or deleted since included).
inline std::set<pid_t> ProcessesOf(const fs::path& Folder)
{
    std::set<pid_t> Pids;
    const std::string Prefix = fs::weakly_canonical(Folder).string() + "/";
    for (const auto& Entry : fs::directory_iterator("/proc")) {
        const std::string Name = Entry.path().filename().string();
        if (Name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code Ec;
        const fs::path Exe = fs::read_symlink(Entry.path() / "exe", Ec);
        if (!Ec && Exe.string().starts_with(Prefix))
            Pids.insert(static_cast<pid_t>(std::stol(Name)));
    }
    return Pids;
}

// One run of a program file: started in its folder with this process's
// environment, its output into Log.
class TProgramRun {
public:
    TProgramRun(const fs::path& Program, const fs::path& Log)
    {
        posix_spawn_file_actions_t Actions;
        posix_spawn_file_actions_init(&Actions);
        posix_spawn_file_actions_addopen(&Actions, 1, Log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&Actions, 1, 2);
        posix_spawn_file_actions_addchdir_np(&Actions, Program.parent_path().c_str());
        std::string Path = Program.string();
        char* Argv[] = {Path.data(), nullptr};
        if (posix_spawn(&FPid, Path.c_str(), &Actions, nullptr, Argv, environ) != 0)
            FPid = -1;
        posix_spawn_file_actions_destroy(&Actions);
    }

    pid_t Pid() const { return FPid; }

    // The exit code once the program ended within Timeout.
    std::optional<int> WaitForExit(std::chrono::milliseconds Timeout)
    {
        std::optional<int> Code;
        WaitFor([&] {
            int Status = 0;
            if (::waitpid(FPid, &Status, WNOHANG) != FPid)
                return false;
            Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
            FPid = -1;
            return true;
        }, Timeout);
        return Code;
    }

private:
    pid_t FPid = -1;
};

// Ends a process that the test started (directly, or through an update it
// caused), by its id, and reaps it.
inline void EndProcess(pid_t Pid)
{
    if (Pid <= 0 || ::kill(Pid, SIGTERM) != 0)
        return;
    for (int I = 0; I < 100; ++I) {
        if (::waitpid(Pid, nullptr, WNOHANG) == Pid)
            return;
        std::this_thread::sleep_for(50ms);
    }
    ::kill(Pid, SIGKILL);
    ::waitpid(Pid, nullptr, 0);
}

// A temporary home for one test: the user's folders the program writes to
// (settings, data, cache, runtime, temporary files), set in this process's
// environment so the programs it starts inherit them.
class TTestHome {
public:
    TTestHome()
    {
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        FRoot = fs::temp_directory_path() /
                ("nimbral-e2e-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FRoot);
        for (const char* Sub : {"home", "config", "data", "cache", "run", "tmp"})
            fs::create_directories(FRoot / Sub);
        fs::permissions(FRoot / "run", fs::perms::owner_all, fs::perm_options::replace);
        Set("HOME", "home");
        Set("XDG_CONFIG_HOME", "config");
        Set("XDG_DATA_HOME", "data");
        Set("XDG_CACHE_HOME", "cache");
        Set("XDG_RUNTIME_DIR", "run");
        Set("TMPDIR", "tmp");
        ::unsetenv("XDG_SESSION_ID");
    }
    ~TTestHome()
    {
        if (!testing::Test::HasFailure())
            fs::remove_all(FRoot);
        else
            std::fprintf(stderr, "kept for a look: %s\n", FRoot.c_str());
    }

    const fs::path& Root() const { return FRoot; }
    fs::path operator/(const fs::path& Rel) const { return FRoot / Rel; }

private:
    fs::path FRoot;
    void Set(const char* Name, const char* Sub) { ::setenv(Name, (FRoot / Sub).c_str(), 1); }
};

}  // namespace nimbral::test
