#pragma once
// A probe program run as a child with its standard input and output on pipes
// and some environment variables of its own (Linux).

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <sys/types.h>

namespace nimbral::test {

class TProbeProcess {
public:
    // Env: variables to set; an empty value unsets the variable.
    TProbeProcess(const std::filesystem::path& Program, const std::map<std::string, std::string>& Env);
    ~TProbeProcess();  // kills the child if it still runs
    TProbeProcess(const TProbeProcess&) = delete;
    TProbeProcess& operator=(const TProbeProcess&) = delete;

    // The next line of output, or nothing when none came within Wait.
    std::optional<std::string> ReadLine(std::chrono::milliseconds Wait = std::chrono::seconds(10));
    void WriteLine(const std::string& Line);
    void CloseInput();
    // Exit status (128 + signal when killed by one).
    int Wait();
    void Kill();

private:
    pid_t FPid = -1;
    int FIn = -1;
    int FOut = -1;
    std::string FBuffer;
};

}  // namespace nimbral::test
