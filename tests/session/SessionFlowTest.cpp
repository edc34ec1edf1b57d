// The session's transitions with the real API client against a recording
// server and the stand-in viewer as a real child process: connect, the poll,
// disconnect, the viewer's launch failures and its end.

#include "session/SessionFixture.h"

#ifdef _WIN32
#include "platform/win32/SystemError.h"

#include <windows.h>
#endif

namespace nimbral::test {
namespace {

// The system's text for starting a file that is not a program.
std::string NotAProgramText()
{
#ifdef _WIN32
    return win32::SystemErrorText(ERROR_BAD_EXE_FORMAT);
#else
    return "Permission denied";
#endif
}

using TSessionFlowTest = TSessionFixture;

TEST_F(TSessionFlowTest, ConnectOpensTheSessionAndStartsTheViewerAtOnce)
{
    TfrmMain& F = SignedIn();
    F.ConnectToPc(7, "서울-01");

    ASSERT_EQ(Calls("POST /api/v1/sessions"), 1);
    EXPECT_EQ(Api.Requests()[0].Body, R"({"pc_id":7})");
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(F.FRemoteViewerActive);
    EXPECT_EQ(F.FCurrentSession.Id, 41);
    EXPECT_EQ(F.FCurrentSession.Token, "tok-41");
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    EXPECT_TRUE(OverlayShown());
    EXPECT_FALSE(Browser->Window()->IsShown());
    EXPECT_EQ(Status(), "스트리밍 중");
    EXPECT_TRUE(ViewerRunning());
    EXPECT_EQ(ViewerArgs().at(1), "10.0.0.5");
    EXPECT_TRUE(Logged("  CreateProcess OK pid=" + std::to_string(F.FRemoteProcess->Id())));
    // The start probe reports 700 ms after the start.
    EXPECT_TRUE(PumpUntil([this] { return Logged("  [+700ms] remote STILL_ACTIVE"); }));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, AFailedConnectReloadsThePageThenSaysWhyAndChangesNothing)
{
    const struct {
        const char* Case;
        std::string PcName;
        int Status;
        std::string Answer;
        std::string Box;
    } Cases[] = {
        {"refused, name known", "서울-01", 409, R"({"success":false,"message":"이미 사용 중인 PC"})",
         "서울-01 연결 실패: 이미 사용 중인 PC"},
        {"refused, no name", "", 409, R"({"success":false,"message":"이미 사용 중인 PC"})",
         "연결 실패: 이미 사용 중인 PC"},
        {"success with id 0", "", 200, R"({"success":true,"message":"잠시 후 다시","data":{"id":0}})",
         "연결 실패: 잠시 후 다시"},
    };
    TfrmMain& F = SignedIn();
    for (const auto& C : Cases) {
        Answer("POST /api/v1/sessions", C.Answer, C.Status);
        AnswerBoxes({wxID_OK});
        Browser->Reloads = 0;
        F.ConnectToPc(7, C.PcName);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{C.Box}) << C.Case;
        EXPECT_EQ(Boxes->ReloadsAtBox, std::vector<int>{1}) << C.Case;
        EXPECT_FALSE(F.FHasActiveSession) << C.Case;
        EXPECT_FALSE(F.FRemoteViewerActive) << C.Case;
        EXPECT_EQ(F.FCurrentSession, TSessionInfo{}) << C.Case;
        EXPECT_FALSE(F.tmrRefresh.Enabled()) << C.Case;
        EXPECT_FALSE(OverlayShown()) << C.Case;
    }
    EXPECT_FALSE(std::filesystem::exists(Tools() / "argv.txt"));
}

TEST_F(TSessionFlowTest, ConnectRequestsThatAreIgnoredOrRefusedBeforeAsking)
{
    TfrmMain& F = SignedIn();
    F.ConnectToPc(0, "x");
    F.ConnectToPc(-3, "x");
    EXPECT_TRUE(Api.Requests().empty());
    EXPECT_TRUE(BoxTexts().empty());

    F.FApiClient->SetAuthToken("");
    F.ConnectToPc(7, "서울-01");
    EXPECT_TRUE(Api.Requests().empty());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"인증 정보가 없습니다. 다시 로그인해 주세요."});
}

TEST_F(TSessionFlowTest, ASecondConnectWhileStreamingIsIgnored)
{
    TfrmMain& F = Streaming();
    const std::uint32_t Pid = F.FRemoteProcess->Id();
    F.ConnectToPc(8, "부산-02");
    EXPECT_TRUE(Api.Requests().empty());
    EXPECT_EQ(F.FRemoteProcess->Id(), Pid);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, AMalformedCreationAnswerIsShownAndChangesNothing)
{
    TfrmMain& F = SignedIn();
    Answer("POST /api/v1/sessions", R"({"success":true,"data":{"id":"forty-one"}})");
    F.ConnectToPc(7, "서울-01");
    EXPECT_EQ(BoxTexts().size(), 1u);
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(F.FRemoteViewerActive);
    EXPECT_FALSE(OverlayShown());
}

// The session check from a state without a viewer: (session before, answer)
// -> after.
TEST_F(TSessionFlowTest, ThePollFollowsTheServiceWhileNoViewerRuns)
{
    const struct {
        const char* Case;
        bool HadSession;
        std::string BeforeStatus;
        int Status;
        std::string Answer;
        bool Session;
        std::string Overlay;  // empty: hidden
        bool LaunchPending;
    } Cases[] = {
        {"none, reported active", false, "", 200, SessionAnswer("active"), true, "연결 중...", true},
        {"none, reported waiting", false, "", 200, SessionAnswer("pending"), true, "대기 중...", false},
        {"none, reported without status", false, "", 200, SessionAnswer(""), true, "대기 중...", false},
        {"waiting, now active", true, "pending", 200, SessionAnswer("active"), true, "연결 중...", true},
        {"waiting, now gone", true, "pending", 200, NoSession, false, "", false},
        {"waiting, poll failed", true, "pending", 500, R"({"success":false,"message":"오류"})", true,
         "대기 중...", false},
    };
    TfrmMain& F = SignedIn();
    for (const auto& C : Cases) {
        F.tmrRemoteLaunch.SetEnabled(false);
        F.FHasActiveSession = C.HadSession;
        F.FCurrentSession = {};
        F.FCurrentSession.Id = C.HadSession ? 41 : 0;
        F.FCurrentSession.Status = C.BeforeStatus;
        F.UpdateSessionOverlay();
        Answer("GET /api/v1/sessions/current", C.Answer, C.Status);

        F.CheckCurrentSession();
        EXPECT_EQ(F.FHasActiveSession, C.Session) << C.Case;
        EXPECT_FALSE(F.FRemoteViewerActive) << C.Case;
        EXPECT_EQ(OverlayShown() ? Status() : "", C.Overlay) << C.Case;
        EXPECT_EQ(F.tmrRemoteLaunch.Enabled(), C.LaunchPending) << C.Case;
        EXPECT_EQ(F.tmrSpinner.Enabled(), OverlayShown()) << C.Case;
    }
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, ThePollAsksNothingWithoutASession)
{
    TfrmMain& F = SignedIn();
    F.tmrRefreshTimer();
    EXPECT_TRUE(Api.Requests().empty());
}

TEST_F(TSessionFlowTest, AnActiveSessionFromThePollGetsItsViewerAfterTheLaunchDelay)
{
    TfrmMain& F = SignedIn();
    Answer("GET /api/v1/sessions/current", SessionAnswer("active"));
    F.FHasActiveSession = true;
    F.tmrRefreshTimer();
    ASSERT_TRUE(F.tmrRemoteLaunch.Enabled());
    EXPECT_FALSE(F.FRemoteViewerActive);
    EXPECT_EQ(F.tmrRemoteLaunch.IntervalMs(), 2500);

    // A second poll does not restart the waiting launch.
    F.tmrRefreshTimer();
    EXPECT_TRUE(F.tmrRemoteLaunch.Enabled());

    ASSERT_TRUE(PumpUntil([&] { return F.FRemoteViewerActive; }, std::chrono::seconds(5)));
    EXPECT_FALSE(F.tmrRemoteLaunch.Enabled());
    EXPECT_EQ(Status(), "스트리밍 중");
    // The current-session answer carries no billing values.
    const std::vector<std::string> Args = ViewerArgs();
    EXPECT_NE(std::find(Args.begin(), Args.end(), "--rate-per-hour=0"), Args.end());
    EXPECT_NE(std::find(Args.begin(), Args.end(), "--mileage=0"), Args.end());

    // The launch step does nothing while a viewer is active.
    const std::uint32_t Pid = F.FRemoteProcess->Id();
    F.ResumeRemoteViewer();
    EXPECT_EQ(F.FRemoteProcess->Id(), Pid);
}

TEST_F(TSessionFlowTest, ALaunchStillWaitingWhenTheSessionEndsStartsNoViewer)
{
    const struct {
        const char* Case;
        std::function<void(TfrmMain&)> End;
        bool Cancelled;  // else the tick comes and finds no session
    } Cases[] = {
        {"poll finds no session",
         [this](TfrmMain& F) {
             Answer("GET /api/v1/sessions/current", NoSession);
             F.tmrRefreshTimer();
         },
         false},
        {"disconnect accepted", [](TfrmMain& F) { F.EndActiveSession(); }, true},
        {"disconnect refused",
         [this](TfrmMain& F) {
             Answer("POST /api/v1/sessions/41/disconnect", R"({"success":false,"message":"거부"})", 409);
             F.EndActiveSession();
         },
         true},
    };
    TfrmMain& F = SignedIn();
    for (const auto& C : Cases) {
        Answer("GET /api/v1/sessions/current", SessionAnswer("active"));
        F.FHasActiveSession = true;
        F.tmrRefreshTimer();
        ASSERT_TRUE(F.tmrRemoteLaunch.Enabled()) << C.Case;
        C.End(F);
        EXPECT_EQ(F.tmrRemoteLaunch.Enabled(), !C.Cancelled) << C.Case;
        if (F.tmrRemoteLaunch.Enabled())
            F.tmrRemoteLaunchTimer();
        EXPECT_FALSE(F.FRemoteViewerActive) << C.Case;
        EXPECT_FALSE(F.FRemoteProcess) << C.Case;
        EXPECT_TRUE(BoxTexts().empty()) << C.Case;
        F.FHasActiveSession = false;
    }
    EXPECT_FALSE(std::filesystem::exists(Tools() / "argv.txt"));
}

TEST_F(TSessionFlowTest, ASessionTheServiceEndedKillsTheViewerAndItsExitEndsTheSession)
{
    TfrmMain& F = Streaming();
    const std::uint32_t Pid = F.FRemoteProcess->Id();
    Browser->Reloads = 0;
    Answer("GET /api/v1/sessions/current", NoSession);
    F.tmrRefreshTimer();

    EXPECT_TRUE(Logged("세션이 서버에서 종료됨 — 원격 스트리밍 강제 종료"));
    EXPECT_TRUE(Logged("TerminateRemoteProcess: pid=" + std::to_string(Pid) + " 강제 종료"));
    // Until the exit is handled everything stays.
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(F.FRemoteViewerActive);
    EXPECT_TRUE(OverlayShown());
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 0);

    ASSERT_TRUE(ExitHandled());
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_EQ(F.FCurrentSession, TSessionInfo{});
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 1);
    EXPECT_EQ(Calls("GET /api/v1/me"), 1);
    EXPECT_EQ(F.FUser.Name, "사용자");
    EXPECT_FALSE(OverlayShown());
    EXPECT_TRUE(Browser->Window()->IsShown());
    EXPECT_EQ(Browser->Reloads, 1);
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    EXPECT_FALSE(F.FRemoteProcess);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, AFailedPollWhileStreamingChangesNothing)
{
    TfrmMain& F = Streaming();
    const TSessionInfo Before = F.FCurrentSession;
    Answer("GET /api/v1/sessions/current", R"({"success":false,"message":"점검 중"})", 503);
    F.tmrRefreshTimer();
    F.FApiClient->SetBaseURL("http://127.0.0.1:1");  // and no answer at all
    F.tmrRefreshTimer();
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(F.FRemoteViewerActive);
    EXPECT_EQ(F.FCurrentSession, Before);
    EXPECT_EQ(Status(), "스트리밍 중");
    EXPECT_TRUE(ViewerRunning());
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, AMalformedPollAnswerIsShownAndThePollGoesOn)
{
    TfrmMain& F = SignedIn();
    F.FHasActiveSession = true;
    F.tmrRefresh.SetEnabled(true);
    Answer("GET /api/v1/sessions/current", R"({"success":true,"data":[1,2]})");
    F.tmrRefreshTimer();
    EXPECT_EQ(BoxTexts().size(), 1u);
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(F.tmrRefresh.Enabled());
}

TEST_F(TSessionFlowTest, DisconnectAskedAndAcceptedKillsTheViewerAndEndsTheSessionOnce)
{
    TfrmMain& F = Streaming();
    Browser->Reloads = 0;
    AnswerBoxes({wxID_YES});
    F.btnDisconnectClick();

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"정말 연결을 해제하시겠습니까?"});
    EXPECT_EQ(Calls("POST /api/v1/sessions/41/disconnect"), 1);
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(OverlayShown());
    EXPECT_EQ(Browser->Reloads, 1);
    EXPECT_EQ(Calls("GET /api/v1/me"), 1);

    ASSERT_TRUE(ExitHandled());
    // The service already knows: the exit report does not disconnect again.
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 0);
    EXPECT_EQ(Calls("GET /api/v1/me"), 2);
    EXPECT_EQ(Browser->Reloads, 2);
    EXPECT_FALSE(OverlayShown());
}

TEST_F(TSessionFlowTest, DisconnectRefusedStillEndsTheViewerAndItsExitDisconnects)
{
    TfrmMain& F = Streaming();
    Answer("POST /api/v1/sessions/41/disconnect", R"({"success":false,"message":"거부"})", 409);
    AnswerBoxes({wxID_YES});
    F.btnDisconnectClick();
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_EQ(BoxTexts().size(), 1u);  // the question only

    ASSERT_TRUE(ExitHandled());
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 1);
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(OverlayShown());
}

TEST_F(TSessionFlowTest, DisconnectWithoutAViewer)
{
    TfrmMain& F = SignedIn();
    F.FHasActiveSession = true;
    F.FCurrentSession.Id = 41;
    F.UpdateSessionOverlay();

    AnswerBoxes({wxID_NO});
    F.btnDisconnectClick();
    EXPECT_EQ(Calls("POST /api/v1/sessions/41/disconnect"), 0);

    // Refused: the session and its overlay stay.
    Answer("POST /api/v1/sessions/41/disconnect", R"({"success":false,"message":"거부"})", 409);
    AnswerBoxes({wxID_YES});
    F.btnDisconnectClick();
    EXPECT_EQ(Calls("POST /api/v1/sessions/41/disconnect"), 1);
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(OverlayShown());
    EXPECT_EQ(Api.Requests().size(), 1u);  // no user refresh, no other call

    Answer("POST /api/v1/sessions/41/disconnect", Ok);
    F.btnDisconnectClick();
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(OverlayShown());
    EXPECT_FALSE(Logged("TerminateRemoteProcess: 이미 종료됨"));
}

TEST_F(TSessionFlowTest, TheViewerQuittingByItselfEndsTheSessionWithoutAMessage)
{
    Env.Set("NIMBRAL_VIEWER_EXIT_AFTER_MS", "200");
    TfrmMain& F = Streaming();
    Browser->Reloads = 0;
    ASSERT_TRUE(ExitHandled());
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 1);
    EXPECT_EQ(Calls("GET /api/v1/me"), 1);
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(OverlayShown());
    EXPECT_EQ(Browser->Reloads, 1);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TSessionFlowTest, LaunchFailuresAreShownAndGiveTheSessionUp)
{
    enum class TViewerFile { Missing, StandIn, Text };
    const struct {
        const char* Case;
        TViewerFile Viewer;
        std::string Token;
        std::string Box;
        std::string Log;
    } Cases[] = {
        {"viewer missing, reported before the session data", TViewerFile::Missing, "",
         ViewerRelativeText() + "를 찾을 수 없습니다.", ""},
        {"empty token", TViewerFile::StandIn, "", "세션 정보 부족. IP=10.0.0.5 Token=", ""},
        {"viewer that cannot start", TViewerFile::Text, "tok-41", "nimbral-remote 실행 실패: " + NotAProgramText(),
         "  CreateProcess 실패: " + NotAProgramText()},
    };
    TfrmMain& F = SignedIn();
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Case);
        std::filesystem::remove(Viewer());
        if (C.Viewer == TViewerFile::StandIn)
            std::filesystem::copy_file(NIMBRAL_STAND_IN_VIEWER, Viewer());
        else if (C.Viewer == TViewerFile::Text)
            std::ofstream(Viewer()) << "not a program";
        Api.ClearRequests();
        AnswerBoxes({wxID_OK});
        Browser->Reloads = 0;
        Answer("POST /api/v1/sessions", SessionAnswer("active", C.Token));
        F.ConnectToPc(7, "서울-01");
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{C.Box});
        if (!C.Log.empty()) {
            EXPECT_TRUE(Logged(C.Log));
        }
        EXPECT_FALSE(F.FRemoteViewerActive);
        EXPECT_FALSE(F.FHasActiveSession);
        EXPECT_FALSE(F.FRemoteProcess);
        EXPECT_EQ(Calls("POST /api/v1/disconnect"), 1);
        EXPECT_EQ(Calls("GET /api/v1/me"), 1);
        EXPECT_FALSE(OverlayShown());
        EXPECT_EQ(Browser->Reloads, 1);
        EXPECT_TRUE(F.tmrRefresh.Enabled());
    }
}

TEST_F(TSessionFlowTest, TheExitReportOfAnOlderLaunchDoesNotEndANewerSession)
{
    TfrmMain& F = Streaming();
    const std::shared_ptr<TViewerProcess> Old = F.FRemoteProcess;
    AnswerBoxes({wxID_YES});
    F.btnDisconnectClick();
    ASSERT_FALSE(F.FHasActiveSession);
    // The old viewer is gone, but its exit has not been handled yet.
    while (Old->HandleOpen())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    std::filesystem::remove(Tools() / "argv.txt");
    Answer("POST /api/v1/sessions", SessionAnswer("active", "tok-42", "부산-02", 42));
    F.ConnectToPc(8, "부산-02");
    ASSERT_NE(F.FRemoteProcess, Old);
    EXPECT_FALSE(ViewerArgs().empty());
    PumpFor(std::chrono::milliseconds(300));  // the old report is delivered

    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(F.FRemoteViewerActive);
    EXPECT_EQ(F.FCurrentSession.Id, 42);
    EXPECT_TRUE(ViewerRunning());
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 0);
}

TEST_F(TSessionFlowTest, TerminatingAViewerThatHasEndedOrNeverRan)
{
    TfrmMain& F = SignedIn();
    LogLines.clear();
    F.TerminateRemoteProcess();
    EXPECT_TRUE(LogLines.empty());

    // Ended, and no watch thread has closed it yet.
    platform::TChildProcess::TStart Started = platform::TChildProcess::Start(
        {NIMBRAL_PROCESS_PROBE, NIMBRAL_NULL_DEVICE, "0", "0"}, Home);
    ASSERT_TRUE(Started.Process.Wait());
    F.FRemoteProcess = std::make_shared<TViewerProcess>(std::move(Started.Process));
    F.TerminateRemoteProcess();
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"TerminateRemoteProcess: 이미 종료됨"});
    // No watch thread reports this one's end: the test lets it go itself.
    F.FRemoteProcess->WaitAndClose();
    F.FRemoteProcess.reset();
}

TEST_F(TSessionFlowTest, ClosingWithASessionEndsItAndTheViewerWithoutWaitingForItsThreads)
{
    TfrmMain& F = Streaming();
    const std::shared_ptr<TViewerProcess> Viewer = F.FRemoteProcess;
    AnswerBoxes({wxID_YES});
    EXPECT_TRUE(F.Close());
    Form = nullptr;
    EXPECT_EQ(Calls("POST /api/v1/sessions/41/disconnect"), 1);
    // The watch thread still closes the viewer's handle; its report finds
    // the window closing or gone and ends nothing on the service.
    ASSERT_TRUE(PumpUntil([&] { return !Viewer->HandleOpen(); }));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(Calls("POST /api/v1/disconnect"), 0);
}

}  // namespace
}  // namespace nimbral::test
