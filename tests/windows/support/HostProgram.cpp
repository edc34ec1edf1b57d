#include "support/HostProgram.h"

#include "support/Wine.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace nimbral::wintest {

std::string HostHttpServer()
{
    return NIMBRAL_TEST_HTTPD;
}

std::string HostCryptoPeer()
{
    return NIMBRAL_CRYPTO_PEER;
}

std::string HostScratchPath(const std::string& Stem)
{
    static std::atomic<int> Counter{0};
    return std::string(NIMBRAL_HOST_SCRATCH) + "/" + Stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++Counter);
}

void StartHostProgram(const std::string& Program, const std::vector<std::string>& Args)
{
    const std::filesystem::path Windows = HostPathToWindows(Program);
    std::wstring CommandLine = L"\"" + Windows.wstring() + L"\"";
    for (const std::string& Arg : Args) {
        CommandLine += L" \"" + std::filesystem::path(Arg).wstring() + L"\"";
    }
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    if (!CreateProcessW(Windows.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                        &Process)) {
        throw std::runtime_error("cannot start " + Program);
    }
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
}

long WaitForHostNumber(const std::string& UnixFile, std::chrono::milliseconds Timeout)
{
    const std::filesystem::path Path = HostPathToWindows(UnixFile);
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (true) {
        std::ifstream In(Path);
        long Value = 0;
        if (In >> Value) {
            return Value;
        }
        if (std::chrono::steady_clock::now() > Deadline) {
            throw std::runtime_error("no answer in " + UnixFile);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace nimbral::wintest
