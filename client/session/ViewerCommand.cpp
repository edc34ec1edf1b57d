#include "session/ViewerCommand.h"

#include "platform/ChildProcess.h"
#include "update/PathText.h"

namespace nimbral {

namespace {

// The stream options: always the same, one argument each.
const char* const StreamOptions[] = {
    "--1080", "--fps", "60", "--bitrate", "80000", "--no-yuv444", "--auto-adjust-bitrate",
    "--no-vsync", "--frame-pacing", "--display-mode", "windowed"};

std::string ViewerFileName()
{
    return "nimbral-remote" + platform::ExecutableSuffix();
}

std::filesystem::path ViewerRelativePath()
{
    return std::filesystem::path("tools") / ViewerFileName();
}

}  // namespace

std::string ViewerRelativeText()
{
    return PathText(ViewerRelativePath());
}

std::filesystem::path ViewerPath(const std::filesystem::path& ProgramFolder)
{
    return ProgramFolder / ViewerRelativePath();
}

std::string ViewerWorkDirText(const std::filesystem::path& Viewer)
{
    return PathText(Viewer.parent_path() / "");
}

std::vector<std::string> ViewerArguments(const std::filesystem::path& Viewer, const TSessionInfo& Session)
{
    std::vector<std::string> Argv{PathText(Viewer), "stream", Session.PcIP, "Desktop"};
    Argv.insert(Argv.end(), std::begin(StreamOptions), std::end(StreamOptions));
    Argv.push_back("--launch-token=" + Session.Token);
    Argv.push_back("--quit-after");
    Argv.push_back("--rate-per-hour=" + std::to_string(Session.UserRatePerHour));
    Argv.push_back("--mileage=" + std::to_string(Session.MileageBalance));
    if (Session.IsDedicated)
        Argv.push_back("--subscription");
    return Argv;
}

}  // namespace nimbral
