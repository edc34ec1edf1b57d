#include "app/FormMain.h"

#include "app/Origins.h"
#include "core/ExceptionText.h"
#include "platform/SingleInstance.h"
#include "platform/NativeWindow.h"
#include "store/TokenStore.h"
#include "update/AppVersion.h"
#include "update/ProgramLifetime.h"

#include <wx/app.h>
#include <wx/datetime.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

#include <exception>

namespace nimbral {

namespace {

const wxColour ClrWindow(0x0A, 0x0A, 0x0A);
const wxColour ClrPage(0xF5, 0xF5, 0xF5);

// "hh:nn:ss.zzz" in local time.
std::string LogTimestamp()
{
    return wxDateTime::UNow().Format("%H:%M:%S.%l").utf8_string();
}

}  // namespace

TMainWindowSetup ProgramWindowSetup(platform::TInstanceGuard& Guard)
{
    TMainWindowSetup Setup;
    Setup.InstanceGuard = &Guard;
    Setup.ApiOrigin = ApiOrigin;
    Setup.WebOrigin = WebOrigin;
    Setup.ContentOrigin = ContentOrigin;
    return Setup;
}

TfrmMain::TfrmMain(TMainWindowSetup ASetup)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString),
      FSetup(std::move(ASetup))
{
    BuildLayout();
    Bind(wxEVT_CLOSE_WINDOW, &TfrmMain::FormClose, this);
    try {
        FormCreate();
    } catch (const std::exception& E) {
        // The window keeps what was done.
        ShowUnhandledError(E, this);
    }
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildLayout()
{
    SetBackgroundColour(ClrWindow);
    SetForegroundColour(*wxWHITE);
    SetFont(wxFont(wxFontInfo(9).FaceName("Segoe UI")));

    // A frame with one child gives it the whole client area; the page fills
    // the content panel through a sizer.
    pnlContent = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
    pnlContent->SetBackgroundColour(ClrPage);
    pnlPagePcBang = new wxPanel(pnlContent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
    pnlPagePcBang->SetBackgroundColour(ClrPage);
    auto* Sizer = new wxBoxSizer(wxVERTICAL);
    Sizer->Add(pnlPagePcBang, 1, wxEXPAND);
    pnlContent->SetSizer(Sizer);
    // The browser and the overlay both fill the page, one above the other.
    FillWithChildren(pnlPagePcBang);

    tmrRefresh.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { tmrRefreshTimer(); });
    tmrSpinner.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { tmrSpinnerTimer(); });
    tmrRemoteLaunch.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { tmrRemoteLaunchTimer(); });

    SetClientSize(928, 602);
    Centre();
}

void TfrmMain::FillWithChildren(wxWindow* Parent)
{
    Parent->Bind(wxEVT_SIZE, [Parent](wxSizeEvent& Event) {
        const wxSize Size = Parent->GetClientSize();
        for (wxWindow* Child : Parent->GetChildren())
            Child->SetSize(0, 0, Size.x, Size.y);
        Event.Skip();
    });
}

void TfrmMain::FormCreate()
{
    FActivateMsg = platform::RegisterActivationMessage();

    CheckForUpdate();
    if (TerminationRequested())
        return;

    FApiClient.reset();
    FHasActiveSession = false;
    FRemoteViewerActive = false;
    FCurrentSession = {};
    FMemoLog = FSetup.LogSink;
    FRecovering = false;
    FRecoveryFailed = false;

    ApplyWindowFrameStyle(GetHandle());
    ListenForActivation();

    SetTitle(wxString::FromUTF8("NIMBRAL | " + GetAppVersion()));

    pnlPagePcBang->Show();
    pnlPagePcBang->Raise();

    BuildSessionOverlay();

    FApiClient = std::make_unique<TApiClient>(FSetup.ApiOrigin);
    FApiClient->SetAuthToken(LoadToken());

    try {
        EnsurePcBangBrowser();
    } catch (const std::exception& E) {
        Log("Initial LoadPcBangBrowser failed: " + ExceptionText(E));
    }
}

void TfrmMain::ListenForActivation()
{
    // The native window exists from here on, and with it the window's ear
    // for a second start: activations that came earlier are lost. Where the
    // system delivers the activation as a window message, the receiver hears
    // nothing and the window procedure gets it instead.
    if (FSetup.InstanceGuard == nullptr || !FSetup.InstanceGuard->Held())
        return;
    try {
        FActivationReceiver = std::make_unique<platform::TActivationReceiver>(
            *FSetup.InstanceGuard, [this] { CallAfter([this] { HandleWindowMessage(FActivateMsg); }); });
    } catch (const std::exception& E) {
        Log("Activation listener failed: " + ExceptionText(E));
    }
}

void TfrmMain::FormClose(wxCloseEvent& Event)
{
    tmrRefresh.SetEnabled(false);
    if (FHasActiveSession) {
        if (!AskYesNo("활성 세션이 있습니다. 연결을 종료하고 닫으시겠습니까?", this)) {
            if (Event.CanVeto()) {
                Event.Veto();
                tmrRefresh.SetEnabled(true);
                return;
            }
        } else {
            EndActiveSession();
        }
    }
    FApiClient.reset();
    Destroy();
}

void TfrmMain::Log(const std::string& Msg)
{
    if (!FMemoLog)
        return;
    FMemoLog(LogTimestamp() + " " + Msg);
}

void TfrmMain::ApplyWindowFrameStyle(void* Window)
{
    platform::ApplyWindowFrameStyle(Window);
}

bool TfrmMain::HandleWindowMessage(std::uint32_t Msg)
{
    if (FActivateMsg == 0 || Msg != FActivateMsg)
        return false;
    RestoreAndActivate();
    return true;
}

void TfrmMain::RestoreAndActivate()
{
    if (IsIconized())
        Iconize(false);
    Show();
    platform::BringToForeground(GetHandle());
    Raise();
}

void ShowMessage(const std::string& Text, wxWindow* Parent)
{
    wxMessageBox(wxString::FromUTF8(Text), wxTheApp->GetAppDisplayName(), wxOK, Parent);
}

bool AskYesNo(const std::string& Text, wxWindow* Parent)
{
    return wxMessageBox(wxString::FromUTF8(Text), wxTheApp->GetAppDisplayName(),
                        wxYES_NO | wxICON_QUESTION, Parent) == wxYES;
}

void ShowUnhandledError(const std::exception& E, wxWindow* Parent)
{
    wxMessageBox(wxString::FromUTF8(E.what()), wxTheApp->GetAppDisplayName(), wxOK | wxICON_ERROR, Parent);
}

}  // namespace nimbral
