#include "support/ChildProgram.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace nimbral::wintest {

namespace {

struct THandleClose {
    void operator()(HANDLE H) const { CloseHandle(H); }
};
using THandle = std::unique_ptr<void, THandleClose>;

THandle Inheritable(const wchar_t* Path, DWORD Access, DWORD Disposition)
{
    SECURITY_ATTRIBUTES Inherit{sizeof Inherit, nullptr, TRUE};
    HANDLE H = CreateFileW(Path, Access, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit, Disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open a standard handle for the child");
    }
    return THandle(H);
}

}  // namespace

TChildResult RunChild(const std::filesystem::path& Program, const std::wstring& Arguments,
                      const std::filesystem::path& OutputFile)
{
    const THandle Input = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    TChildResult Result;
    {
        const THandle Output = Inheritable(OutputFile.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        STARTUPINFOW Startup{};
        Startup.cb = sizeof Startup;
        Startup.dwFlags = STARTF_USESTDHANDLES;
        Startup.hStdInput = Input.get();
        Startup.hStdOutput = Output.get();
        Startup.hStdError = Output.get();
        std::wstring CommandLine = L"\"" + Program.wstring() + L"\" " + Arguments;
        PROCESS_INFORMATION Info{};
        if (!CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &Startup, &Info)) {
            throw std::runtime_error("cannot start " + Program.string());
        }
        const THandle Process(Info.hProcess);
        const THandle Thread(Info.hThread);
        if (WaitForSingleObject(Info.hProcess, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(Info.hProcess, 1);
            throw std::runtime_error(Program.string() + " did not end");
        }
        GetExitCodeProcess(Info.hProcess, &Result.ExitCode);
    }
    std::ifstream In(OutputFile, std::ios::binary);
    for (const char C : std::string(std::istreambuf_iterator<char>(In), {})) {
        if (C != '\r') {
            Result.Output += C;
        }
    }
    return Result;
}

}  // namespace nimbral::wintest
