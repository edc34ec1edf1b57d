// Windows-only: the VERSIONINFO resource read back, ShellExecuteW starting a
// program in its folder, ApplyUpdate renaming the running .exe, and
// delay-until-reboot deletion. Runs on Windows and under Wine; what Wine does
// not reproduce is skipped there.

#include "platform/FileOps.h"
#include "platform/ProcessStart.h"
#include "platform/VersionRecord.h"
#include "update/Updater.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct THandle {
    HANDLE H = nullptr;
    ~THandle() {
        if (H != nullptr)
            CloseHandle(H);
    }
};

// Runs Program with CommandLine and waits for it; its exit code.
DWORD RunAndWait(const fs::path& Program, std::wstring CommandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    CommandLine = L"\"" + Program.wstring() + L"\" " + CommandLine;
    if (!CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw std::runtime_error("cannot start " + Program.string());
    THandle process{pi.hProcess};
    THandle thread{pi.hThread};
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        throw std::runtime_error(Program.string() + " did not end");
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

// The probe's report: its version, then its working folder.
std::vector<std::string> WaitForReport(const fs::path& File) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(File)) {
        if (std::chrono::steady_clock::now() > deadline)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(File));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')  // written in text mode
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class ProbeReport {
public:
    explicit ProbeReport(const fs::path& File) : FFile(File) {
        SetEnvironmentVariableW(L"NIMBRAL_PROBE_OUT", File.c_str());
    }
    ~ProbeReport() { SetEnvironmentVariableW(L"NIMBRAL_PROBE_OUT", nullptr); }
    std::vector<std::string> Wait() const { return WaitForReport(FFile); }

private:
    fs::path FFile;
};

TEST(WindowsVersionResource, IsReadBackFromTheProgramFile) {
    test::TTempDir tmp;
    {
        ProbeReport report(tmp / "with.txt");
        ASSERT_EQ(RunAndWait(NIMBRAL_PROBE, L""), 0u);
        const auto lines = report.Wait();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], NIMBRAL_PROJECT_VERSION_TEXT);
    }
    {
        ProbeReport report(tmp / "bare.txt");
        ASSERT_EQ(RunAndWait(NIMBRAL_PROBE_BARE, L""), 0u);
        const auto lines = report.Wait();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "0.0.0");  // built without a resource
    }
    const auto record = platform::ReadVersionRecord(NIMBRAL_PROBE);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->MS, NIMBRAL_PROJECT_VERSION_MS);
    EXPECT_EQ(record->LS, NIMBRAL_PROJECT_VERSION_LS);
    EXPECT_FALSE(platform::ReadVersionRecord(NIMBRAL_PROBE_BARE).has_value());
    EXPECT_FALSE(platform::ReadVersionRecord(tmp / "missing.exe").has_value());
}

TEST(WindowsShellStart, StartsTheProgramInItsFolder) {
    test::TTempDir tmp;
    const fs::path dir = tmp / "prog dir";
    fs::create_directories(dir);
    fs::copy_file(NIMBRAL_PROBE, dir / "probe.exe");
    ProbeReport report(tmp / "started.txt");
    ASSERT_TRUE(platform::StartProgramDetached(dir / "probe.exe", dir));
    const auto lines = report.Wait();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], NIMBRAL_PROJECT_VERSION_TEXT);
    EXPECT_TRUE(fs::equivalent(lines[1], dir)) << lines[1];
    EXPECT_FALSE(platform::StartProgramDetached(dir / "missing.exe", dir));
}

TEST(WindowsApplyUpdate, RenamesTheRunningProgramAndStartsTheNewOne) {
    test::TTempDir tmp;
    const fs::path programDir = tmp / "program";
    const fs::path staging = tmp / "staging";
    const fs::path program = programDir / "NimbralClient.exe";
    fs::create_directories(programDir);
    fs::copy_file(NIMBRAL_APPLY_PROBE, program);
    WriteFile(programDir / "keep.txt", "kept");
    fs::create_directories(staging);
    fs::copy_file(NIMBRAL_PROBE, staging / "NimbralClient.exe");
    WriteFile(staging / "lib" / "y.dll", "new y");
    const std::string oldProgram = ReadFile(program);

    ProbeReport report(tmp / "restarted.txt");
    ASSERT_EQ(RunAndWait(program, L"\"" + staging.wstring() + L"\" \"" + (tmp / "result.txt").wstring() + L"\""), 0u);
    EXPECT_EQ(WaitForReport(tmp / "result.txt"), std::vector<std::string>{"1"});

    // The running image was renamed, the new build moved into its place and
    // started in the program folder.
    EXPECT_EQ(ReadFile(programDir / "NimbralClient.exe.old"), oldProgram);
    EXPECT_EQ(ReadFile(program), ReadFile(NIMBRAL_PROBE));
    EXPECT_EQ(ReadFile(programDir / "lib" / "y.dll"), "new y");
    EXPECT_EQ(ReadFile(programDir / "keep.txt"), "kept");
    const auto lines = report.Wait();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], NIMBRAL_PROJECT_VERSION_TEXT);
    EXPECT_TRUE(fs::equivalent(lines[1], programDir)) << lines[1];

    // The next start clears the ".old" file now that its image has ended.
    CleanupOldFiles(programDir);
    EXPECT_FALSE(fs::exists(programDir / "NimbralClient.exe.old"));
    EXPECT_TRUE(fs::exists(program));
}

TEST(WindowsFileOps, MoveNeverReplacesAndCopyDoes) {
    test::TTempDir tmp;
    WriteFile(tmp / "a", "a");
    WriteFile(tmp / "b", "b");
    EXPECT_FALSE(platform::RenameNoReplace(tmp / "a", tmp / "b"));
    EXPECT_EQ(ReadFile(tmp / "b"), "b");
    EXPECT_TRUE(platform::CopyFileReplace(tmp / "a", tmp / "b"));
    EXPECT_EQ(ReadFile(tmp / "b"), "a");
    EXPECT_TRUE(platform::RenameNoReplace(tmp / "a", tmp / "c"));
    EXPECT_TRUE(platform::DeleteFileNoThrow(tmp / "c"));
    EXPECT_FALSE(platform::DeleteFileNoThrow(tmp / "c"));
}

bool Elevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    THandle owned{token};
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
}

TEST(WindowsFileOps, DelayUntilRebootIsRefusedToANonElevatedUser) {
    if (RunningUnderWine())
        GTEST_SKIP() << "not reproduced by Wine, needs a real Windows runner: refusing delay-until-reboot "
                        "to a non-elevated user";
    if (Elevated())
        GTEST_SKIP() << "runs elevated: delay-until-reboot is allowed";
    test::TTempDir tmp;
    WriteFile(tmp / "x.old", "x");
    EXPECT_FALSE(platform::ScheduleDeleteAtRestart(tmp / "x.old"));
}

}  // namespace
}  // namespace nimbral
