// The connection flow: a connect request becomes an open session, the poll
// keeps the window in step with the service, and a disconnect or a session
// that the service ended brings the viewer down.

#include "app/FormMain.h"
#include "session/SessionSteps.h"
#include "session/ViewerProcess.h"

#include <exception>

namespace nimbral {

void TfrmMain::ConnectToPc(std::int32_t APcId, const std::string& APcName)
{
    if (APcId < 1 || FHasActiveSession)
        return;
    if (!FApiClient || FApiClient->AuthToken().empty()) {
        ShowMessage("인증 정보가 없습니다. 다시 로그인해 주세요.", this);
        return;
    }
    // The request comes from the page's message handler: a malformed answer
    // ends here, in the standard error box, with nothing changed.
    try {
        TSessionInfo Session;
        TApiResponse Response = FApiClient->CreateSession(APcId, Session);
        if (Response.Success && Session.Id >= 1) {
            Response.Free();
            FCurrentSession = Session;
            FHasActiveSession = true;
            FRemoteViewerActive = true;
            tmrRefresh.SetEnabled(true);
            UpdateSessionOverlay();
            LaunchNimbralRemote();
            return;
        }
        const std::string Reason = Response.Message;
        Response.Free();
        ReloadAfterSessionChange(*this);
        ShowMessage(APcName.empty() ? "연결 실패: " + Reason : APcName + " 연결 실패: " + Reason, this);
    } catch (const std::exception& E) {
        ShowUnhandledError(E, this);
    }
}

void TfrmMain::CheckCurrentSession()
{
    if (!FApiClient)
        return;
    TSessionInfo Session;
    TApiResponse Response = FApiClient->GetCurrentSession(Session);
    if (Response.Success && Session.Id >= 1) {
        FCurrentSession = Session;
        FHasActiveSession = true;
        if (FCurrentSession.Status == "active" && !FRemoteViewerActive && !tmrRemoteLaunch.Enabled())
            tmrRemoteLaunch.SetEnabled(true);
    } else if (Response.Success) {
        if (FRemoteViewerActive) {
            // The viewer's exit ends the session on the client; until then
            // everything stays as it is.
            Log("세션이 서버에서 종료됨 — 원격 스트리밍 강제 종료");
            TerminateRemoteProcess();
            return;
        }
        FHasActiveSession = false;
        FCurrentSession = {};
    }
    // A failed poll changes nothing.
    Response.Free();
    UpdateSessionOverlay();
}

void TfrmMain::tmrRefreshTimer()
{
    if (!FHasActiveSession)
        return;
    try {
        CheckCurrentSession();
    } catch (const std::exception& E) {
        // The poll runs again at the next tick.
        ShowUnhandledError(E, this);
    }
}

void TfrmMain::tmrRemoteLaunchTimer()
{
    tmrRemoteLaunch.SetEnabled(false);
    ResumeRemoteViewer();
}

void TfrmMain::ResumeRemoteViewer()
{
    // A session given up while the launch waited (disconnect, logout, a poll
    // that found none) gets no viewer.
    if (FRemoteViewerActive || !FHasActiveSession)
        return;
    FRemoteViewerActive = true;
    tmrRefresh.SetEnabled(true);
    UpdateSessionOverlay();
    LaunchNimbralRemote();
}

void TfrmMain::btnDisconnectClick()
{
    if (AskYesNo("정말 연결을 해제하시겠습니까?", this))
        EndActiveSession();
}

void TfrmMain::EndActiveSession()
{
    TerminateRemoteProcess();
    // The user asked for the end: a launch still waiting must not start a
    // viewer afterwards.
    tmrRemoteLaunch.SetEnabled(false);
    if (!FHasActiveSession || !FApiClient)
        return;
    TApiResponse Response = FApiClient->DisconnectSession(FCurrentSession.Id);
    // Refused: a killed viewer's exit ends the session on the client; without
    // a viewer the session stays open.
    if (Response.Success) {
        FHasActiveSession = false;
        FCurrentSession = {};
        RefreshUser(*this);
        ReloadAfterSessionChange(*this);
        UpdateSessionOverlay();
    }
    Response.Free();
}

void TfrmMain::TerminateRemoteProcess()
{
    if (!FRemoteProcess)
        return;
    // Decided and done under the launch's lock: the watch thread cannot close
    // the handle in between.
    const TViewerProcess::TTerminateResult Result = FRemoteProcess->TerminateUnlessEnded();
    switch (Result.Outcome) {
    case TViewerProcess::TTermination::NoProcess:
        break;
    case TViewerProcess::TTermination::AlreadyEnded:
        Log("TerminateRemoteProcess: 이미 종료됨");
        break;
    case TViewerProcess::TTermination::Terminated:
        Log("TerminateRemoteProcess: pid=" + std::to_string(Result.Id) + " 강제 종료");
        break;
    }
}

}  // namespace nimbral
