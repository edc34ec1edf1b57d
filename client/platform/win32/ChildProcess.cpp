// A child process on Windows: CreateProcessW with the command line as a
// writable buffer and no separate application name, the process handle kept
// and the thread handle closed at once.

#include "platform/ChildProcess.h"

#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace nimbral::platform {

namespace {

HANDLE AsHandle(std::intptr_t Value)
{
    return reinterpret_cast<HANDLE>(Value);
}

TChildProcess::TStart Failed(DWORD Code)
{
    return {TChildProcess(), win32::SystemErrorText(Code)};
}

}  // namespace

std::string ExecutableSuffix()
{
    return ".exe";
}

TChildProcess::TStart TChildProcess::Start(const std::vector<std::string>& Argv,
                                          const std::filesystem::path& WorkDir)
{
    if (Argv.empty())
        return Failed(ERROR_INVALID_PARAMETER);
    for (const std::string& Value : Argv) {
        // A NUL would end the command line early and drop what follows.
        if (Value.find('\0') != std::string::npos)
            return Failed(ERROR_INVALID_PARAMETER);
    }
    std::wstring Line = win32::Widen(CommandLineText(Argv));
    STARTUPINFOW StartInfo{};
    StartInfo.cb = sizeof StartInfo;
    StartInfo.dwFlags = STARTF_USESHOWWINDOW;
    StartInfo.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION Info{};
    if (!CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WorkDir.c_str(), &StartInfo, &Info))
        return Failed(GetLastError());
    CloseHandle(Info.hThread);
    TStart Started;
    Started.Process.FHandle = reinterpret_cast<std::intptr_t>(Info.hProcess);
    Started.Process.FId = Info.dwProcessId;
    return Started;
}

std::optional<std::uint32_t> TChildProcess::ExitCode() const
{
    DWORD Code = 0;
    if (!IsOpen() || !GetExitCodeProcess(AsHandle(FHandle), &Code))
        return std::nullopt;
    return Code;
}

bool TChildProcess::Wait() const
{
    return IsOpen() && WaitForSingleObject(AsHandle(FHandle), INFINITE) == WAIT_OBJECT_0;
}

bool TChildProcess::Terminate(std::uint32_t AExitCode) const
{
    return IsOpen() && TerminateProcess(AsHandle(FHandle), AExitCode);
}

void TChildProcess::Close() noexcept
{
    if (!IsOpen())
        return;
    CloseHandle(AsHandle(FHandle));
    FHandle = NoHandle;
    FId = 0;
}

}  // namespace nimbral::platform
