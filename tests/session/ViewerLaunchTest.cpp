// The viewer's start as the stand-in viewer sees it: the arguments it
// receives, one value each, in its "tools" working folder, and the command
// line the log shows for the same start.

#include "session/SessionFixture.h"
#include "update/PathText.h"

namespace nimbral::test {
namespace {

using TViewerLaunchTest = TSessionFixture;

const std::vector<std::string> Options = {
    "--1080", "--fps", "60", "--bitrate", "80000", "--no-yuv444", "--auto-adjust-bitrate",
    "--no-vsync", "--frame-pacing", "--display-mode", "windowed"};
const std::string OptionsText =
    "--1080 --fps 60 --bitrate 80000 --no-yuv444 --auto-adjust-bitrate --no-vsync --frame-pacing "
    "--display-mode windowed";

std::vector<std::string> Received(const std::string& Ip, const std::vector<std::string>& Tail)
{
    std::vector<std::string> Args{"stream", Ip, "Desktop"};
    Args.insert(Args.end(), Options.begin(), Options.end());
    Args.insert(Args.end(), Tail.begin(), Tail.end());
    return Args;
}

TEST_F(TViewerLaunchTest, TheViewerReceivesEachValueAsOneArgumentAndTheLogShowsTheLine)
{
    struct TCase {
        const char* Case;
        std::string Token;
        int Rate, Mileage;
        bool Dedicated, Subscription;
        std::vector<std::string> Args;  // after the fixed options
        std::string Cmd;                // after the viewer's quoted path
    };
    const TCase Cases[] = {
        {"ordinary", "tok-1", 1200, 300, false, false,
         {"--launch-token=tok-1", "--quit-after", "--rate-per-hour=1200", "--mileage=300"},
         " stream 10.0.0.5 Desktop " + OptionsText + " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300"},
        {"dedicated PC", "tok-1", 1200, 300, true, false,
         {"--launch-token=tok-1", "--quit-after", "--rate-per-hour=1200", "--mileage=300", "--subscription"},
         " stream 10.0.0.5 Desktop " + OptionsText +
             " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300 --subscription"},
        {"subscription without a dedicated PC", "tok-1", 1200, 300, false, true,
         {"--launch-token=tok-1", "--quit-after", "--rate-per-hour=1200", "--mileage=300"},
         " stream 10.0.0.5 Desktop " + OptionsText + " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300"},
        {"after the poll", "tok-1", 0, 0, false, false,
         {"--launch-token=tok-1", "--quit-after", "--rate-per-hour=0", "--mileage=0"},
         " stream 10.0.0.5 Desktop " + OptionsText + " --launch-token=tok-1 --quit-after --rate-per-hour=0 --mileage=0"},
        {"token with blanks and quotes", "토큰 \"인용\" --subscription", 1200, 300, false, false,
         {"--launch-token=토큰 \"인용\" --subscription", "--quit-after", "--rate-per-hour=1200", "--mileage=300"},
         " stream 10.0.0.5 Desktop " + OptionsText +
             " \"--launch-token=토큰 \\\"인용\\\" --subscription\" --quit-after --rate-per-hour=1200 --mileage=300"},
    };
    TfrmMain& F = SignedIn();
    const std::string ViewerText = PathText(Viewer());
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Case);
        std::filesystem::remove(Tools() / "argv.txt");
        F.FCurrentSession = {};
        F.FCurrentSession.Id = 41;
        F.FCurrentSession.PcIP = "10.0.0.5";
        F.FCurrentSession.Token = C.Token;
        F.FCurrentSession.UserRatePerHour = C.Rate;
        F.FCurrentSession.MileageBalance = C.Mileage;
        F.FCurrentSession.IsDedicated = C.Dedicated;
        F.FCurrentSession.HasSubscription = C.Subscription;
        F.FHasActiveSession = true;
        F.FRemoteViewerActive = true;
        LogLines.clear();

        F.LaunchNimbralRemote();
        ASSERT_TRUE(ViewerRunning());
        EXPECT_EQ(ViewerArgs(), Received("10.0.0.5", C.Args));
        const std::vector<std::string> Log = LogTexts();
        ASSERT_GE(Log.size(), 4u);
        EXPECT_EQ(Log[0], "LaunchNimbralRemote:");
        EXPECT_EQ(Log[1], "  WorkDir=" + ViewerWorkDirText(Viewer()));
        EXPECT_EQ(Log[2], "  Cmd=\"" + ViewerText + "\"" + C.Cmd);
        EXPECT_EQ(Log[3], "  CreateProcess OK pid=" + std::to_string(F.FRemoteProcess->Id()));

        F.TerminateRemoteProcess();
        ASSERT_TRUE(ExitHandled());
    }
}

}  // namespace
}  // namespace nimbral::test
