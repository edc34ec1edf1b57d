#pragma once
// TfrmMain: the client's only long-lived window and the holder of its whole
// run-time state (API client, signed-in user, current session, launcher
// browser, session overlay). One class whose members are grouped by
// subsystem: the window, its creation, closing and log live in
// app/FormMain.cpp, the update check in app/UpdateCheck.cpp; the launcher
// page host and its messages in launcher/LauncherHost.cpp and
// launcher/LauncherMessages.cpp; the session flow and the overlay in
// session/.

#include "api/ApiClient.h"
#include "app/UiTimer.h"
#include "launcher/LauncherBrowser.h"
#include "session/UiThreadCall.h"

#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace nimbral::platform {
class TActivationReceiver;
class TInstanceGuard;
}

namespace nimbral {

class TCaptionPanel;
class TCircleShape;
class TViewerProcess;

// Where the window sends its log lines; the program attaches none.
using TLogSink = std::function<void(const std::string& Line)>;

// What the entry point hands the window: the compiled-in origins and the
// platform's browser. Tests hand local servers and a stand-in browser.
struct TMainWindowSetup {
    std::string ApiOrigin;
    std::string WebOrigin;
    std::string ContentOrigin;
    TLauncherBrowserFactory BrowserFactory = CreatePlatformLauncherBrowser;
    TLogSink LogSink;  // becomes FMemoLog when the state is initialised
    // The guard this process holds, through which a second start's
    // activation is heard; none in tests.
    platform::TInstanceGuard* InstanceGuard = nullptr;
    // The folder whose "tools" holds the remote viewer; empty for the
    // running program's own folder.
    std::filesystem::path ProgramFolder;
};

// Creates the setup of the running program: compiled-in origins, the
// platform's browser, no log sink, the process's guard.
TMainWindowSetup ProgramWindowSetup(platform::TInstanceGuard& Guard);

class TfrmMain : public wxFrame {
public:
    // Builds the layout and runs FormCreate. An exception escaping
    // FormCreate is shown in the standard error box; the window then keeps
    // the steps done so far.
    explicit TfrmMain(TMainWindowSetup ASetup);
    ~TfrmMain() override;

    void Log(const std::string& Msg);

    // The main window's reaction to the messages of its window procedure:
    // true when Msg was the activation message (and it was handled).
    bool HandleWindowMessage(std::uint32_t Msg);
    void RestoreAndActivate();
#ifdef __WXMSW__
    // Where the activation message reaches the window (app/WindowProcedure.cpp).
    WXLRESULT MSWWindowProc(WXUINT Msg, WXWPARAM WParam, WXLPARAM LParam) override;
#endif

    // --- state, readable by tests and the other subsystems' code ---------
    std::uint32_t FActivateMsg = 0;
    std::unique_ptr<TApiClient> FApiClient;
    TUserInfo FUser;
    TSessionInfo FCurrentSession;
    bool FHasActiveSession = false;
    bool FRemoteViewerActive = false;
    // The viewer of the latest launch (session/RemoteViewer.cpp): its process
    // handle and id, closed and zeroed by that launch's watch thread.
    std::shared_ptr<TViewerProcess> FRemoteProcess;

    // The launcher page (launcher/LauncherHost.cpp).
    std::unique_ptr<TLauncherBrowser> FPcBangBrowser;
    bool FPcBangBrowserLoaded = false;
    bool FRecovering = false;
    bool FRecoveryFailed = false;

    TLogSink FMemoLog;

    // Layout.
    wxPanel* pnlContent = nullptr;
    wxPanel* pnlPagePcBang = nullptr;
    TTimer tmrRefresh{5000};

    // Session overlay (session/SessionOverlay.cpp).
    wxPanel* pnlSessionOverlay = nullptr;
    std::array<TCircleShape*, 3> FSpinnerDots{};
    wxStaticText* lblOverlayStatus = nullptr;
    wxStaticText* lblOverlayDetail = nullptr;
    wxStaticText* lblOverlayHint = nullptr;
    TCaptionPanel* pnlBtnOverlayDisconnect = nullptr;
    TTimer tmrSpinner{350};
    std::int32_t FSpinnerIndex = 0;
    TTimer tmrRemoteLaunch{2500};

    // --- the window (app/FormMain.cpp) -------------------------------------
    void FormCreate();
    void FormClose(wxCloseEvent& Event);
    void ApplyWindowFrameStyle(void* Window);
    void CheckForUpdate();  // app/UpdateCheck.cpp

    // --- launcher page host (launcher/LauncherHost.cpp) --------------------
    void CreatePcBangBrowser();
    void EnsurePcBangBrowser();
    void ReloadLauncherPage();
    void TryMagicRecovery();
    void HandleLauncherNavigationStarting(TNavigationStartingArgs& Args);
    void HandleLauncherBrowserCreated(TLauncherBrowser& Sender, bool Succeeded);

    // --- launcher page messages (launcher/LauncherMessages.cpp) -----------
    void HandleLauncherMessage(const std::string& Text);

    // --- session flow (session/) ------------------------------------------
    void BuildSessionOverlay();
    void ConnectToPc(std::int32_t APcId, const std::string& APcName);
    void CheckCurrentSession();
    void EndActiveSession();
    void TerminateRemoteProcess();
    void UpdateSessionOverlay();
    void LayoutSessionOverlay();
    void ResumeRemoteViewer();
    void btnDisconnectClick();
    void tmrRefreshTimer();
    void tmrRemoteLaunchTimer();
    void tmrSpinnerTimer();
    void pnlSessionOverlayResize();

    // --- remote viewer (session/RemoteViewer.cpp) --------------------------
    void LaunchNimbralRemote();
    void OnRemoteViewerExited();

    const TMainWindowSetup& Setup() const { return FSetup; }

private:
    TMainWindowSetup FSetup;
    std::unique_ptr<platform::TActivationReceiver> FActivationReceiver;
    // The viewer's threads report through it; closed with the window.
    TUiThreadCalls FUiThreadCalls{this};

    void BuildLayout();
    void ListenForActivation();
    void FillWithChildren(wxWindow* Parent);
};

// Message boxes of the client: modal, in Korean, over the main window when
// there is one. AskYesNo is true only for Yes.
void ShowMessage(const std::string& Text, wxWindow* Parent);
bool AskYesNo(const std::string& Text, wxWindow* Parent);
// What the framework shows for an error that reached an event's edge: the
// standard error box with the error's message.
void ShowUnhandledError(const std::exception& E, wxWindow* Parent);

}  // namespace nimbral
