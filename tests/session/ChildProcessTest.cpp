// The process facility with a real child (tests/support/ProcessProbe.cpp):
// values arrive as single arguments, the exit code reads "still active"
// while the child runs, then its own code; terminate, the working folder,
// and what a start that fails reports. Built for Linux and for Windows
// (run under Wine).

#include "platform/ChildProcess.h"
#include "update/PathText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace nimbral::test {
namespace {

namespace fs = std::filesystem;
using platform::TChildProcess;

class TChildProcessTest : public testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() /
              ("nimbral-process-" + std::to_string(std::random_device{}()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir / "work");
    }
    void TearDown() override
    {
        std::error_code Ignored;
        fs::remove_all(Dir, Ignored);
    }

    // The probe's command: it writes Values to the file Output.
    static std::vector<std::string> ProbeArgv(const std::string& Output, int SleepMs, int ExitCode,
                                              const std::vector<std::string>& Values = {})
    {
        std::vector<std::string> Argv{NIMBRAL_PROCESS_PROBE, Output, std::to_string(SleepMs),
                                      std::to_string(ExitCode)};
        Argv.insert(Argv.end(), Values.begin(), Values.end());
        return Argv;
    }

    static std::vector<std::string> Lines(const fs::path& File)
    {
        std::ifstream In(File, std::ios::binary);
        std::vector<std::string> Read;
        for (std::string Line; std::getline(In, Line);)
            Read.push_back(Line);
        return Read;
    }

    fs::path Dir;
};

TEST_F(TChildProcessTest, ValuesWithBlanksAndQuotesArriveAsOneArgumentEach)
{
    const std::vector<std::string> Values = {
        "plain", "two words", "tab\there", "say \"hi\"", "--launch-token=a b\"c --quit-after",
        "back\\slash", "trailing\\", "quoted trailing\\\" x\\\\", "\"", ""};
    TChildProcess::TStart Started =
        TChildProcess::Start(ProbeArgv(PathText(Dir / "argv.txt"), 0, 0, Values), Dir / "work");
    ASSERT_TRUE(Started.Process.IsOpen()) << Started.ErrorText;
    ASSERT_TRUE(Started.Process.Wait());
    EXPECT_EQ(Lines(Dir / "argv.txt"), Values);
}

TEST_F(TChildProcessTest, RunsInItsWorkingFolder)
{
    TChildProcess::TStart Started = TChildProcess::Start(ProbeArgv("here.txt", 0, 0, {"x"}), Dir / "work");
    ASSERT_TRUE(Started.Process.IsOpen()) << Started.ErrorText;
    ASSERT_TRUE(Started.Process.Wait());
    EXPECT_EQ(Lines(Dir / "work" / "here.txt"), std::vector<std::string>{"x"});
}

TEST_F(TChildProcessTest, StillActiveWhileRunningThenItsExitCodeUntilClosed)
{
    TChildProcess::TStart Started = TChildProcess::Start(ProbeArgv("out.txt", 600, 42), Dir / "work");
    TChildProcess& Child = Started.Process;
    ASSERT_TRUE(Child.IsOpen()) << Started.ErrorText;
    EXPECT_NE(Child.Id(), 0u);
    EXPECT_EQ(Child.ExitCode(), platform::StillActive);
    ASSERT_TRUE(Child.Wait());
    // Read twice: reading does not use the exit up.
    EXPECT_EQ(Child.ExitCode(), 42u);
    EXPECT_EQ(Child.ExitCode(), 42u);
    Child.Close();
    EXPECT_FALSE(Child.IsOpen());
    EXPECT_EQ(Child.Id(), 0u);
    EXPECT_EQ(Child.ExitCode(), std::nullopt);
    EXPECT_FALSE(Child.Wait());
    EXPECT_FALSE(Child.Terminate(0));
}

TEST_F(TChildProcessTest, TerminateEndsARunningChild)
{
    TChildProcess::TStart Started = TChildProcess::Start(ProbeArgv("out.txt", 60000, 0), Dir / "work");
    TChildProcess& Child = Started.Process;
    ASSERT_TRUE(Child.IsOpen()) << Started.ErrorText;
    ASSERT_TRUE(Child.Terminate(7));
    ASSERT_TRUE(Child.Wait());
    EXPECT_EQ(Child.ExitCode(), NIMBRAL_TERMINATED_EXIT_CODE);
}

TEST_F(TChildProcessTest, AStartThatFailsSaysWhyAndHoldsNoProcess)
{
    std::ofstream(Dir / "not-a-program") << "text";
    const struct {
        const char* Case;
        std::vector<std::string> Argv;
    } Cases[] = {
        {"missing program", {PathText(Dir / "missing-program"), "x"}},
        {"not a program", {PathText(Dir / "not-a-program")}},
        {"NUL inside a value", ProbeArgv("out.txt", 0, 0, {std::string("a\0b", 3)})},
        {"nothing to start", {}},
    };
    for (const auto& C : Cases) {
        TChildProcess::TStart Started = TChildProcess::Start(C.Argv, Dir / "work");
        EXPECT_FALSE(Started.Process.IsOpen()) << C.Case;
        EXPECT_EQ(Started.Process.Id(), 0u) << C.Case;
        EXPECT_FALSE(Started.ErrorText.empty()) << C.Case;
    }
    EXPECT_FALSE(fs::exists(Dir / "work" / "out.txt"));
}

TEST_F(TChildProcessTest, AMovedHandleBelongsToItsNewOwner)
{
    TChildProcess::TStart Started = TChildProcess::Start(ProbeArgv("out.txt", 0, 3), Dir / "work");
    TChildProcess Moved = std::move(Started.Process);
    EXPECT_FALSE(Started.Process.IsOpen());
    ASSERT_TRUE(Moved.IsOpen());
    ASSERT_TRUE(Moved.Wait());
    EXPECT_EQ(Moved.ExitCode(), 3u);
}

}  // namespace
}  // namespace nimbral::test
