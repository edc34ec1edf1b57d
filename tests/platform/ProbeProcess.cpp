#include "ProbeProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nimbral::test {

TProbeProcess::TProbeProcess(const std::filesystem::path& Program, const std::map<std::string, std::string>& Env) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (Env.find(entry.substr(0, entry.find('='))) == Env.end())
            env.push_back(entry);
    }
    for (const auto& [name, value] : Env) {
        if (!value.empty())
            env.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::string program = Program.string();
    char* argv[] = {program.data(), nullptr};
    const int spawned = posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    FIn = toChild[1];
    FOut = fromChild[0];
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
}

TProbeProcess::~TProbeProcess() {
    if (FPid > 0) {
        Kill();
        Wait();
    }
    if (FIn >= 0)
        ::close(FIn);
    if (FOut >= 0)
        ::close(FOut);
}

std::optional<std::string> TProbeProcess::ReadLine(std::chrono::milliseconds Wait) {
    const auto deadline = std::chrono::steady_clock::now() + Wait;
    while (true) {
        const auto end = FBuffer.find('\n');
        if (end != std::string::npos) {
            std::string line = FBuffer.substr(0, end);
            FBuffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd{FOut, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[256];
        const ssize_t n = ::read(FOut, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;  // the child ended without a whole line
        FBuffer.append(chunk, static_cast<std::size_t>(n));
    }
}

void TProbeProcess::WriteLine(const std::string& Line) {
    const std::string text = Line + "\n";
    if (::write(FIn, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("cannot write to the probe");
}

void TProbeProcess::CloseInput() {
    ::close(FIn);
    FIn = -1;
}

int TProbeProcess::Wait() {
    int status = 0;
    while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void TProbeProcess::Kill() {
    ::kill(FPid, SIGKILL);
}

}  // namespace nimbral::test
