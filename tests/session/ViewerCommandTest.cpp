// The viewer's command line as text: the exact line for an ordinary session,
// and the quoting that keeps a value with blanks or quotes one argument.
// Built for Linux and for Windows.

#include "platform/ChildProcess.h"
#include "session/ViewerCommand.h"
#include "update/PathText.h"

#include <gtest/gtest.h>

namespace nimbral::test {
namespace {

namespace fs = std::filesystem;

const char* const Options =
    "--1080 --fps 60 --bitrate 80000 --no-yuv444 --auto-adjust-bitrate --no-vsync --frame-pacing "
    "--display-mode windowed";

TSessionInfo Session(std::string Ip, std::string Token, int Rate, int Mileage, bool Dedicated,
                     bool Subscription = false)
{
    TSessionInfo S;
    S.Id = 41;
    S.PcIP = std::move(Ip);
    S.Token = std::move(Token);
    S.UserRatePerHour = Rate;
    S.MileageBalance = Mileage;
    S.IsDedicated = Dedicated;
    S.HasSubscription = Subscription;
    return S;
}

TEST(ViewerCommand, TheViewerSitsInToolsBesideTheProgram)
{
    const fs::path Folder = fs::temp_directory_path() / "Nimbral";
    const std::string Relative =
        platform::ExecutableSuffix().empty() ? "tools/nimbral-remote" : "tools\\nimbral-remote.exe";
    EXPECT_EQ(ViewerRelativeText(), Relative);
    const char Separator = static_cast<char>(fs::path::preferred_separator);
    EXPECT_EQ(PathText(ViewerPath(Folder)), PathText(Folder) + Separator + Relative);
    EXPECT_EQ(ViewerWorkDirText(ViewerPath(Folder)), PathText(Folder / "tools" / ""));
}

TEST(ViewerCommand, CommandLinesOfTheSessionsCases)
{
    const fs::path Viewer = ViewerPath(fs::temp_directory_path() / "Nimbral");
    const std::string Start = "\"" + PathText(Viewer) + "\" stream ";
    const struct {
        const char* Case;
        TSessionInfo Session;
        std::string Line;
    } Cases[] = {
        {"ordinary", Session("10.0.0.5", "tok-1", 1200, 300, false),
         Start + "10.0.0.5 Desktop " + Options + " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300"},
        {"dedicated", Session("10.0.0.5", "tok-1", 1200, 300, true),
         Start + "10.0.0.5 Desktop " + Options +
             " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300 --subscription"},
        {"subscription alone adds nothing", Session("10.0.0.5", "tok-1", 1200, 300, false, true),
         Start + "10.0.0.5 Desktop " + Options + " --launch-token=tok-1 --quit-after --rate-per-hour=1200 --mileage=300"},
        {"after the poll", Session("10.0.0.5", "tok-1", 0, 0, false),
         Start + "10.0.0.5 Desktop " + Options + " --launch-token=tok-1 --quit-after --rate-per-hour=0 --mileage=0"},
        {"negative values", Session("10.0.0.5", "tok-1", -5, -300, false),
         Start + "10.0.0.5 Desktop " + Options + " --launch-token=tok-1 --quit-after --rate-per-hour=-5 --mileage=-300"},
        {"token with blanks and quotes", Session("10.0.0.5", "a b\" --subscription", 1, 2, false),
         Start + "10.0.0.5 Desktop " + Options +
             " \"--launch-token=a b\\\" --subscription\" --quit-after --rate-per-hour=1 --mileage=2"},
        {"address with a blank", Session("10.0.0.5 --fps 1", "t", 1, 2, false),
         Start + "\"10.0.0.5 --fps 1\" Desktop " + Options + " --launch-token=t --quit-after --rate-per-hour=1 --mileage=2"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(platform::CommandLineText(ViewerArguments(Viewer, C.Session)), C.Line) << C.Case;
}

TEST(CommandLineText, QuotesOnlyWhatWouldNotReadBackAsOneArgument)
{
    const struct {
        std::string Value;
        std::string Written;
    } Cases[] = {
        {"plain", "plain"},
        {"C:\\dir\\file", "C:\\dir\\file"},  // backslashes alone stay literal
        {"two words", "\"two words\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},      // a backslash before a quote is doubled
        {"end\\ x\\", "\"end\\ x\\\\\""},  // trailing backslashes are doubled before the closing quote
        {"", "\"\""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(platform::CommandLineText({"prog", C.Value}), "\"prog\" " + C.Written) << C.Value;
    EXPECT_EQ(platform::CommandLineText({"C:\\Program Files\\p.exe"}), "\"C:\\Program Files\\p.exe\"");
}

}  // namespace
}  // namespace nimbral::test
