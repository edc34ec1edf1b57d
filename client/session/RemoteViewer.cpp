// The remote viewer: its start for the current session, the two threads that
// watch it, and its end, whatever the cause, turned into the end of the
// session on the client.

#include "app/FormMain.h"
#include "platform/SpecialFolders.h"
#include "session/SessionSteps.h"
#include "session/ViewerCommand.h"
#include "session/ViewerProcess.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace nimbral {

namespace {

constexpr auto ProbeDelay = std::chrono::milliseconds(700);

bool FileExists(const std::filesystem::path& File)
{
    std::error_code Error;
    return std::filesystem::exists(File, Error) && !std::filesystem::is_directory(File, Error);
}

}  // namespace

void TfrmMain::LaunchNimbralRemote()
{
    const std::filesystem::path Folder =
        FSetup.ProgramFolder.empty() ? platform::RunningProgramFile().parent_path() : FSetup.ProgramFolder;
    const std::filesystem::path Viewer = ViewerPath(Folder);
    if (!FileExists(Viewer)) {
        ShowMessage(ViewerRelativeText() + "를 찾을 수 없습니다.", this);
        OnRemoteViewerExited();
        return;
    }
    if (FCurrentSession.PcIP.empty() || FCurrentSession.Token.empty()) {
        ShowMessage("세션 정보 부족. IP=" + FCurrentSession.PcIP + " Token=" + FCurrentSession.Token, this);
        OnRemoteViewerExited();
        return;
    }

    const std::vector<std::string> Argv = ViewerArguments(Viewer, FCurrentSession);
    const std::string WorkDir = ViewerWorkDirText(Viewer);
    Log("LaunchNimbralRemote:");
    Log("  WorkDir=" + WorkDir);
    Log("  Cmd=" + platform::CommandLineText(Argv));

    platform::TChildProcess::TStart Started = platform::TChildProcess::Start(Argv, Viewer.parent_path());
    if (!Started.Process.IsOpen()) {
        Log("  CreateProcess 실패: " + Started.ErrorText);
        ShowMessage("nimbral-remote 실행 실패: " + Started.ErrorText, this);
        OnRemoteViewerExited();
        return;
    }
    Log("  CreateProcess OK pid=" + std::to_string(Started.Process.Id()));
    const auto Launch = std::make_shared<TViewerProcess>(std::move(Started.Process));
    FRemoteProcess = Launch;
    const std::shared_ptr<TUiThreadGate> Gate = FUiThreadCalls.Gate();

    // Neither thread touches the window: they use their launch's process and
    // report through the gate. Nothing joins them; they end by themselves.
    std::thread([this, Launch, Gate] {
        std::this_thread::sleep_for(ProbeDelay);
        const std::optional<std::uint32_t> Code = Launch->ExitCode();
        if (!Code)
            return;  // already closed by the watch thread
        const std::string Line = *Code == platform::StillActive
                                     ? "  [+700ms] remote STILL_ACTIVE"
                                     : "  [+700ms] remote 종료됨 ExitCode=" + std::to_string(*Code);
        Gate->Call([this, Line] { Log(Line); });
    }).detach();

    std::thread([this, Launch, Gate] {
        Launch->WaitAndClose();
        Gate->Call([this, Launch] {
            // A launch that a newer one has replaced reports to nobody: the
            // newer launch belongs to a session opened after this one's
            // ended, and this exit must not end it.
            if (FRemoteProcess != Launch)
                return;
            FRemoteProcess.reset();
            OnRemoteViewerExited();
        });
    }).detach();
}

void TfrmMain::OnRemoteViewerExited()
{
    FRemoteViewerActive = false;
    tmrRefresh.SetEnabled(true);
    if (FApiClient && FHasActiveSession) {
        TApiResponse Response = FApiClient->DisconnectMyPc();
        Response.Free();
    }
    FHasActiveSession = false;
    FCurrentSession = {};
    RefreshUser(*this);
    UpdateSessionOverlay();
    ReloadAfterSessionChange(*this);
}

}  // namespace nimbral
