// The session overlay: what covers the launcher page while a session exists,
// its status texts, its centred layout and its spinner.

#include "app/FormMain.h"
#include "session/CircleShape.h"
#include "theme/CaptionPanel.h"
#include "theme/DarkTheme.h"

namespace nimbral {

namespace {

const wxColour ClrOverlay(0xF5, 0xF5, 0xF5);
const wxColour ClrDot(0xE0, 0xE0, 0xE0);
const wxColour ClrDotLit(0x76, 0xB9, 0x00);
constexpr int DotSize = 14;

// The label takes the size of its text in its own font. GTK's own measure
// lags behind a font change until the label has been drawn once, so the
// size comes from the text extent instead.
void SetLabelText(wxStaticText* Label, const std::string& Text)
{
    Label->SetLabelText(wxString::FromUTF8(Text));
    Label->SetSize(Label->GetTextExtent(Label->GetLabelText()));
}

wxStaticText* OverlayLabel(wxWindow* Parent, const std::string& Text, int Points, wxFontWeight Weight,
                           const wxColour& Colour)
{
    auto* Label = new wxStaticText(Parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxST_NO_AUTORESIZE);
    Label->SetFont(wxFont(wxFontInfo(Points).FaceName("Segoe UI").Weight(Weight)));
    Label->SetForegroundColour(Colour);
    SetLabelText(Label, Text);
    return Label;
}

// Puts Control horizontally centred on Cx with its top at Y.
void CentreAt(wxWindow* Control, int Cx, int Y)
{
    // A small overlay puts the block's top above the edge; -1 is then a
    // place like any other, not "where it was".
    Control->Move(Cx - Control->GetSize().x / 2, Y, wxSIZE_ALLOW_MINUS_ONE);
}

}  // namespace

void TfrmMain::BuildSessionOverlay()
{
    pnlSessionOverlay = new wxPanel(pnlPagePcBang, wxID_ANY, wxDefaultPosition,
                                    pnlPagePcBang->GetClientSize(), wxBORDER_NONE);
    pnlSessionOverlay->SetBackgroundColour(ClrOverlay);
    pnlSessionOverlay->Hide();
    pnlSessionOverlay->Bind(wxEVT_SIZE, [this](wxSizeEvent& Event) {
        pnlSessionOverlayResize();
        Event.Skip();
    });

    for (TCircleShape*& Dot : FSpinnerDots)
        Dot = new TCircleShape(pnlSessionOverlay, wxSize(DotSize, DotSize), ClrDot);
    lblOverlayStatus = OverlayLabel(pnlSessionOverlay, "", 16, wxFONTWEIGHT_BOLD, wxColour(0x33, 0x33, 0x33));
    lblOverlayDetail = OverlayLabel(pnlSessionOverlay, "", 10, wxFONTWEIGHT_NORMAL, wxColour(0x88, 0x88, 0x88));
    lblOverlayHint = OverlayLabel(pnlSessionOverlay, "원격 종료 시 Ctrl + Alt + Shift + Q를 눌러주세요.", 11,
                                  wxFONTWEIGHT_BOLD, wxColour(0x8B, 0xC3, 0x4A));

    pnlBtnOverlayDisconnect = new TCaptionPanel(pnlSessionOverlay, "연결 해제", wxSize(180, 42));
    TDarkThemeHelper::SetupButtonPanel(pnlBtnOverlayDisconnect, wxColour(0xC0, 0x36, 0x36),
                                       wxColour(0xD6, 0x40, 0x40), wxColour(0xFF, 0xFF, 0xFF), 13);
    pnlBtnOverlayDisconnect->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& Event) {
        Event.Skip();
        btnDisconnectClick();
    });

    tmrSpinner.SetEnabled(false);
    FSpinnerIndex = 0;
    tmrRemoteLaunch.SetEnabled(false);
}

void TfrmMain::LayoutSessionOverlay()
{
    if (!pnlSessionOverlay->IsShown())
        return;
    const wxSize Size = pnlSessionOverlay->GetClientSize();
    const int Cx = Size.x / 2;
    const int Cy = Size.y / 2;
    const int Block = DotSize + lblOverlayStatus->GetSize().y + lblOverlayDetail->GetSize().y +
                      lblOverlayHint->GetSize().y + pnlBtnOverlayDisconnect->GetSize().y + 76;
    const int Top = Cy - Block / 2;

    const int DotLeft[] = {Cx - 24, Cx - 7, Cx + 10};
    for (std::size_t I = 0; I < FSpinnerDots.size(); ++I)
        FSpinnerDots[I]->SetSize(DotLeft[I], Top, DotSize, DotSize, wxSIZE_ALLOW_MINUS_ONE);

    // Dots, 20 pixels, status, 10, detail, 16, hint, 30, button.
    int Y = Top + 34;
    CentreAt(lblOverlayStatus, Cx, Y);
    Y += lblOverlayStatus->GetSize().y + 10;
    CentreAt(lblOverlayDetail, Cx, Y);
    Y += lblOverlayDetail->GetSize().y + 16;
    CentreAt(lblOverlayHint, Cx, Y);
    Y += lblOverlayHint->GetSize().y + 30;
    CentreAt(pnlBtnOverlayDisconnect, Cx, Y);
}

void TfrmMain::pnlSessionOverlayResize()
{
    LayoutSessionOverlay();
}

void TfrmMain::tmrSpinnerTimer()
{
    for (std::size_t I = 0; I < FSpinnerDots.size(); ++I)
        FSpinnerDots[I]->SetFill(static_cast<std::int32_t>(I) == FSpinnerIndex ? ClrDotLit : ClrDot);
    FSpinnerIndex = (FSpinnerIndex + 1) % 3;
}

void TfrmMain::UpdateSessionOverlay()
{
    if (FHasActiveSession) {
        if (FPcBangBrowser)
            FPcBangBrowser->Window()->Hide();
        pnlSessionOverlay->Show();
        pnlSessionOverlay->Raise();
        if (FRemoteViewerActive)
            SetLabelText(lblOverlayStatus, "스트리밍 중");
        else if (FCurrentSession.Status == "active")
            SetLabelText(lblOverlayStatus, "연결 중...");
        else
            SetLabelText(lblOverlayStatus, "대기 중...");
        SetLabelText(lblOverlayDetail, "PC: " + FCurrentSession.PcName);
        LayoutSessionOverlay();
        tmrSpinner.SetEnabled(true);
    } else {
        pnlSessionOverlay->Hide();
        tmrSpinner.SetEnabled(false);
        if (FPcBangBrowser) {
            FPcBangBrowser->Window()->Show();
            FPcBangBrowser->Window()->Raise();
        }
    }
}

}  // namespace nimbral
