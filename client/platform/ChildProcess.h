#pragma once
// Starting a program as a child process and watching it: its exit code
// ("still active" while it runs), waiting for its end, ending it, releasing
// the handle. Arguments go in as a vector, one value per argument: a value
// holding blanks or quotes stays one argument on every system and cannot
// add options of its own.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nimbral::platform {

// The exit code of a process that is still running.
inline constexpr std::uint32_t StillActive = 259;

// What a program file's name ends with here: ".exe" on Windows, nothing
// elsewhere.
std::string ExecutableSuffix();

// Argv as one command line by the Windows argument rules: Argv[0] in double
// quotes, the others separated by single blanks, and a value that is empty or
// holds blanks, tabs, line breaks or quotes quoted so that it reads back as
// one argument. Ordinary values appear as they are. Windows starts exactly
// this text; elsewhere it is how a start is written to the log.
std::string CommandLineText(const std::vector<std::string>& Argv);

class TChildProcess {
public:
    TChildProcess() = default;
    ~TChildProcess() { Close(); }
    TChildProcess(TChildProcess&& Other) noexcept;
    TChildProcess& operator=(TChildProcess&& Other) noexcept;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    struct TStart;
    // Starts the program Argv[0] with the arguments Argv in WorkDir, with
    // this process's environment and none of its handles. A value holding a
    // NUL character cannot be passed and fails the start as an invalid
    // parameter.
    static TStart Start(const std::vector<std::string>& Argv, const std::filesystem::path& WorkDir);

    bool IsOpen() const { return FHandle != NoHandle; }
    std::uint32_t Id() const { return FId; }

    // StillActive while the process runs; none when it cannot be read.
    // Reading does not consume the exit: it can be read again until Close.
    std::optional<std::uint32_t> ExitCode() const;
    // Blocks until the process has ended; false when it cannot wait.
    bool Wait() const;
    // Ends the process. Where the system cannot choose the exit code
    // (Linux: SIGKILL), the code then reads as 128 + the signal number.
    bool Terminate(std::uint32_t AExitCode) const;
    // Releases the handle; afterwards IsOpen is false and Id is 0.
    void Close() noexcept;

private:
    static constexpr std::intptr_t NoHandle = -1;
    std::intptr_t FHandle = NoHandle;  // pidfd on Linux, process HANDLE on Windows
    std::uint32_t FId = 0;
};

struct TChildProcess::TStart {
    TChildProcess Process;  // not open when the start failed
    std::string ErrorText;  // the system's text for the failure
};

}  // namespace nimbral::platform
