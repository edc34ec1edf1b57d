#include "update/FormUpdate.h"

#include "update/UpdateInstall.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/numformatter.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>

namespace nimbral {

namespace {

const wxColour ClrWindow(0x1F, 0x1F, 0x1F);
const wxColour ClrTitle(0xFF, 0xFF, 0xFF);
const wxColour ClrDim(0xA0, 0xA0, 0xA0);
const wxColour ClrNotesBack(0x2A, 0x2A, 0x2A);
const wxColour ClrNotesText(0xD0, 0xD0, 0xD0);

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 360;
constexpr int kHeaderHeight = 80;
constexpr int kFooterHeight = 64;
constexpr int kBodyMargin = 20;
constexpr int kBarRange = 1000;
constexpr std::chrono::milliseconds kProgressPaintGap{50};

// The strips and the body paint their own background and never take the
// focus themselves: the button is the window's only tab stop.
class TStripPanel : public wxPanel {
public:
    explicit TStripPanel(wxWindow* Parent)
        : wxPanel(Parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE)
    {
        SetBackgroundColour(ClrWindow);
        SetBackgroundStyle(wxBG_STYLE_COLOUR);
    }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override
    {
        // Tab may pass through to a child that takes it (the button).
        for (const wxWindow* Child : GetChildren()) {
            if (Child->CanAcceptFocusFromKeyboard())
                return true;
        }
        return false;
    }
};

// The release notes are read, not typed into: Tab passes them by. wxMSW's
// text control would otherwise take keyboard focus as a multi-line control
// even when told not to.
class TNotesMemo : public wxTextCtrl {
public:
    using wxTextCtrl::wxTextCtrl;
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

wxStaticText* MakeLabel(wxWindow* Parent, const wxColour& Colour, int Points, bool Bold = false)
{
    auto* Label = new wxStaticText(Parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    wxFont Font = Label->GetFont();
    Font.SetPointSize(Points);
    if (Bold)
        Font.SetWeight(wxFONTWEIGHT_BOLD);
    Label->SetFont(Font);
    Label->SetForegroundColour(Colour);
    return Label;
}

std::string OneDecimal(double Value)
{
    // The user's decimal separator, no grouping.
    return wxNumberFormatter::ToString(Value, 1, wxNumberFormatter::Style_None).utf8_string();
}

}  // namespace

TfrmUpdate::TfrmUpdate(wxWindow* Owner, TUpdateEnvironment Env)
    // A caption and nothing else: no close box, no system menu, no resizing.
    : wxDialog(Owner, wxID_ANY, wxString::FromUTF8("Nimbral 업데이트"), wxDefaultPosition,
               wxDefaultSize, wxCAPTION),
      FEnv(std::move(Env))
{
    BuildLayout();
    Bind(wxEVT_CLOSE_WINDOW, &TfrmUpdate::FormClose, this);
    btnUpdate->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { HandleUpdateClick(); });
}

void TfrmUpdate::BuildLayout()
{
    SetBackgroundColour(ClrWindow);
    // Escape must neither click the button nor close the window.
    SetEscapeId(wxID_NONE);

    pnlHeader = new TStripPanel(this);
    lblTitle = MakeLabel(pnlHeader, ClrTitle, 13, true);
    lblTitle->SetLabelText(wxString::FromUTF8("새 버전이 출시되었습니다"));
    lblVersion = MakeLabel(pnlHeader, ClrDim, 9);

    pnlBody = new TStripPanel(this);
    memoNotes = new TNotesMemo(pnlBody, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxTE_MULTILINE | wxTE_READONLY | wxTE_WORDWRAP | wxBORDER_NONE);
    memoNotes->SetBackgroundColour(ClrNotesBack);
    memoNotes->SetForegroundColour(ClrNotesText);
    wxFont NotesFont = memoNotes->GetFont();
    NotesFont.SetPointSize(9);
    memoNotes->SetFont(NotesFont);
    lblStatus = MakeLabel(pnlBody, ClrDim, 9);
    pbar = new wxGauge(pnlBody, wxID_ANY, kBarRange, wxDefaultPosition, wxDefaultSize,
                       wxGA_HORIZONTAL | wxGA_SMOOTH);

    pnlFooter = new TStripPanel(this);
    btnUpdate = new wxButton(pnlFooter, wxID_ANY, wxString::FromUTF8("지금 업데이트"));
    btnUpdate->SetDefault();

    SetClientSize(kClientWidth, kClientHeight);
    LayoutControls();
    Bind(wxEVT_SIZE, [this](wxSizeEvent& Event) {
        LayoutControls();
        Event.Skip();
    });
    CentreOnScreen();
    btnUpdate->SetFocus();
}

// Header and footer are docked to the top and the bottom, the body fills the
// rest inside its side margins; the status line and the bar keep their
// distance from the body's bottom edge, the button from the footer's right.
void TfrmUpdate::LayoutControls()
{
    const wxSize Client = GetClientSize();
    pnlHeader->SetSize(0, 0, Client.x, kHeaderHeight);
    pnlFooter->SetSize(0, Client.y - kFooterHeight, Client.x, kFooterHeight);
    const int BodyWidth = Client.x - 2 * kBodyMargin;
    const int BodyHeight = Client.y - kHeaderHeight - kFooterHeight;
    pnlBody->SetSize(kBodyMargin, kHeaderHeight, BodyWidth, BodyHeight);

    lblTitle->SetSize(20, 18, 440, 24);
    lblVersion->SetSize(20, 46, 440, 18);
    memoNotes->SetSize(0, 0, BodyWidth, BodyHeight - 60);
    lblStatus->SetSize(0, BodyHeight - 56, BodyWidth, 16);
    pbar->SetSize(0, BodyHeight - 36, BodyWidth, 14);
    btnUpdate->SetSize(Client.x - 160, 16, 140, 32);
}

void TfrmUpdate::ApplyInfo(const TUpdateInfo& Info)
{
    FInfo = Info;
    lblVersion->SetLabelText(
        wxString::FromUTF8("새 버전: " + Info.Version + "   (배포일: " + Info.ReleasedAt + ")"));
    memoNotes->SetValue(wxString::FromUTF8(Info.Notes));
}

void TfrmUpdate::SetStatus(const std::string& Text)
{
    ShowStatus(Text, true);
}

void TfrmUpdate::ShowStatus(const std::string& Text, bool PaintNow)
{
    lblStatus->SetLabelText(wxString::FromUTF8(Text));
    // Painted now, not at the toolkit's next frame: the caller goes back to
    // blocking work at once (hashing, unpacking, a stalled download), and the
    // window must not keep showing the step before.
    if (PaintNow) {
        Update();
        FLastPaint = std::chrono::steady_clock::now();
    }
    wxTheApp->Yield(true);
}

std::string TfrmUpdate::FormatSize(std::int64_t Bytes)
{
    if (Bytes >= 1048576)
        return OneDecimal(static_cast<double>(Bytes) / 1048576) + " MB";
    if (Bytes >= 1024)
        return OneDecimal(static_cast<double>(Bytes) / 1024) + " KB";
    return std::to_string(Bytes) + " B";
}

void TfrmUpdate::HandleProgress(std::int64_t Received, std::int64_t Total)
{
    if (Total <= 0) {
        ShowStatus("다운로드 중 — " + FormatSize(Received),
                   std::chrono::steady_clock::now() - FLastPaint >= kProgressPaintGap);
        return;
    }
    const double Position =
        std::round(static_cast<double>(Received) / static_cast<double>(Total) * kBarRange);
    // The gauge takes nothing outside its range.
    pbar->SetValue(static_cast<int>(std::clamp(Position, 0.0, static_cast<double>(kBarRange))));
    // A report comes with every chunk of data, thousands a second on a fast
    // line, and a forced paint costs about half a millisecond: between the
    // forced paints (at most every 50 ms, and the last report) the toolkit
    // paints at its own pace while pending events run at every report.
    const bool PaintNow =
        Received >= Total || std::chrono::steady_clock::now() - FLastPaint >= kProgressPaintGap;
    ShowStatus("다운로드 중 — " + FormatSize(Received) + " / " + FormatSize(Total), PaintNow);
}

void TfrmUpdate::HandleUpdateClick()
{
    const TProgressProc Progress = [this](std::int64_t Received, std::int64_t Total) {
        HandleProgress(Received, Total);
    };
    // Disabled first: the events that SetStatus lets run cannot start a
    // second run.
    btnUpdate->Disable();
    FInstalling = true;
    TInstallOutcome Outcome;
    try {
        Outcome = InstallUpdate(
            FInfo, {[this](const std::string& Text) { SetStatus(Text); }, Progress}, FEnv);
    } catch (...) {
        FInstalling = false;
        throw;
    }
    FInstalling = false;

    if (Outcome.Installed) {
        SetReturnCode(wxID_OK);
    } else {
        SetStatus(Outcome.FailureText);
        btnUpdate->Enable();
    }
    // After a success, or a close request that came while the sequence ran.
    if (GetReturnCode() != 0)
        HandleClose();
}

void TfrmUpdate::HandleCloseQuery(bool& CanClose)
{
    CanClose = GetReturnCode() != 0;
}

void TfrmUpdate::HandleClose()
{
    if (FInstalling)
        return;
    if (IsModal())
        EndModal(GetReturnCode());
    else
        Hide();
}

void TfrmUpdate::FormClose(wxCloseEvent& Event)
{
    // As for every modal window: a close request means Cancel.
    if (IsModal() && GetReturnCode() == 0)
        SetReturnCode(wxID_CANCEL);
    bool CanClose = true;
    HandleCloseQuery(CanClose);
    if (!CanClose && Event.CanVeto()) {
        Event.Veto();
        return;
    }
    HandleClose();
}

}  // namespace nimbral
