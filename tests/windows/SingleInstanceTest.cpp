// The single-instance guard on Windows with a second process: the named
// mutex, the registered message, and the broadcast of a second start
// reaching a plain window of the first.

#include "platform/SingleInstance.h"

#include "support/ChildProgram.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using nimbral::platform::TGuardState;
using nimbral::platform::TInstanceGuard;
using nimbral::wintest::RunChild;

fs::path OutputFile()
{
    return fs::temp_directory_path() / ("nimbral-instance-probe-" + std::to_string(GetCurrentProcessId()) + ".txt");
}

// A later start of the client, as the probe plays it: its report line.
std::string StartProbe()
{
    // Under Wine the first broadcast starts the desktop process; started
    // from the probe it would keep the probe's output file open for good.
    // Here the test itself starts it; on Windows the desktop is there.
    GetDesktopWindow();
    const fs::path Out = OutputFile();
    const auto Result = RunChild(NIMBRAL_INSTANCE_PROBE, L"", Out);
    fs::remove(Out);
    EXPECT_EQ(Result.ExitCode, 0u);
    return Result.Output;
}

std::string Report(const char* State)
{
    return "id=" + std::to_string(nimbral::platform::RegisterActivationMessage()) + " state=" + State + "\n";
}

TEST(WindowsSingleInstance, SecondProcessFindsTheMutexTaken)
{
    ASSERT_NE(nimbral::platform::RegisterActivationMessage(), 0u);
    TInstanceGuard Guard;
    ASSERT_EQ(Guard.Acquire(), TGuardState::Acquired);

    // The exact name, in the session's namespace.
    SetLastError(ERROR_SUCCESS);
    HANDLE Raw = CreateMutexW(nullptr, FALSE, L"Local\\NimbralClient_SingleInstance");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ASSERT_NE(Raw, nullptr);
    CloseHandle(Raw);

    EXPECT_EQ(StartProbe(), Report("already-running"));  // and the same message id there
    Guard.Release();
    EXPECT_EQ(StartProbe(), Report("acquired"));
    ASSERT_TRUE(Guard.Retake());
    EXPECT_EQ(StartProbe(), Report("already-running"));
}

UINT GActivationId = 0;
int GActivations = 0;
int GOtherMessages = 0;

LRESULT CALLBACK CountingProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    if (GActivationId != 0 && Message == GActivationId) {
        ++GActivations;
        EXPECT_EQ(WParam, 0u);
        EXPECT_EQ(LParam, 0);
        return 0;
    }
    ++GOtherMessages;
    return DefWindowProcW(Window, Message, WParam, LParam);
}

void PumpFor(std::chrono::milliseconds Span, int Until)
{
    const auto End = std::chrono::steady_clock::now() + Span;
    while (std::chrono::steady_clock::now() < End && GActivations < Until) {
        MSG Msg;
        while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&Msg);
            DispatchMessageW(&Msg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(WindowsSingleInstance, BroadcastOfASecondStartReachesAPlainWindowOfTheFirst)
{
    TInstanceGuard Guard;
    ASSERT_EQ(Guard.Acquire(), TGuardState::Acquired);
    GActivationId = nimbral::platform::RegisterActivationMessage();

    WNDCLASSW Class{};
    Class.lpfnWndProc = CountingProc;
    Class.hInstance = GetModuleHandleW(nullptr);
    Class.lpszClassName = L"NimbralActivationTestWindow";
    ASSERT_NE(RegisterClassW(&Class), 0);
    HWND Window = CreateWindowExW(0, Class.lpszClassName, L"activation test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, Class.hInstance, nullptr);
    ASSERT_NE(Window, nullptr);

    for (int Start = 1; Start <= 2; ++Start) {
        EXPECT_EQ(StartProbe(), Report("already-running"));
        PumpFor(std::chrono::seconds(10), Start);
        EXPECT_EQ(GActivations, Start) << "the broadcast of start " << Start << " did not arrive";
    }
    PumpFor(std::chrono::milliseconds(300), 3);
    EXPECT_EQ(GActivations, 2);  // one per start
    EXPECT_GT(GOtherMessages, 0);  // window creation went the ordinary way

    DestroyWindow(Window);
    UnregisterClassW(Class.lpszClassName, Class.hInstance);
}

}  // namespace
