// The viewer process of one launch as its three users see it: termination's
// three outcomes, and the watch thread's close racing the probe's read and a
// termination. Under ThreadSanitizer the race rounds prove that every use of
// the handle is ordered against the close.

#include "session/ViewerProcess.h"
#include "update/PathText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace nimbral::test {
namespace {

namespace fs = std::filesystem;
using TTermination = TViewerProcess::TTermination;

platform::TChildProcess StartProbe(int SleepMs)
{
    // The probe writes its (empty) argument list to the null device.
    platform::TChildProcess::TStart Started = platform::TChildProcess::Start(
        {NIMBRAL_PROCESS_PROBE, NIMBRAL_NULL_DEVICE, std::to_string(SleepMs), "0"}, fs::temp_directory_path());
    EXPECT_TRUE(Started.Process.IsOpen()) << Started.ErrorText;
    return std::move(Started.Process);
}

TEST(ViewerProcess, TerminationKillsARunningViewerAndLeavesAnEndedOrClosedOneAlone)
{
    TViewerProcess Viewer(StartProbe(60000));
    const std::uint32_t Pid = Viewer.Id();
    ASSERT_NE(Pid, 0u);

    const TViewerProcess::TTerminateResult Running = Viewer.TerminateUnlessEnded();
    EXPECT_EQ(Running.Outcome, TTermination::Terminated);
    EXPECT_EQ(Running.Id, Pid);

    // Ended but not yet closed by the watch thread.
    while (Viewer.ExitCode() == platform::StillActive)
        std::this_thread::yield();
    EXPECT_EQ(Viewer.TerminateUnlessEnded().Outcome, TTermination::AlreadyEnded);

    Viewer.WaitAndClose();
    EXPECT_FALSE(Viewer.HandleOpen());
    EXPECT_EQ(Viewer.Id(), 0u);
    EXPECT_EQ(Viewer.ExitCode(), std::nullopt);
    EXPECT_EQ(Viewer.TerminateUnlessEnded().Outcome, TTermination::NoProcess);
}

TEST(ViewerProcess, NoUseOfTheHandleFollowsTheWatchThreadsClose)
{
    // Each round: a short-lived viewer, its watch thread, a probe reading the
    // exit code and the UI terminating, all at once.
    for (int Round = 0; Round < 40; ++Round) {
        auto Viewer = std::make_shared<TViewerProcess>(StartProbe(Round % 4));
        std::atomic<bool> Closed{false};
        std::thread Watch([&] {
            Viewer->WaitAndClose();
            Closed = true;
        });
        std::thread Probe([&] {
            while (!Closed)
                (void)Viewer->ExitCode();
        });
        bool SawNoProcess = false;
        while (!Closed) {
            const TTermination Outcome = Viewer->TerminateUnlessEnded().Outcome;
            if (Outcome == TTermination::NoProcess)
                SawNoProcess = true;
            else
                EXPECT_FALSE(SawNoProcess) << "a closed handle was used again";
        }
        Watch.join();
        Probe.join();
        EXPECT_EQ(Viewer->TerminateUnlessEnded().Outcome, TTermination::NoProcess);
        EXPECT_EQ(Viewer->Id(), 0u);
    }
}

}  // namespace
}  // namespace nimbral::test
