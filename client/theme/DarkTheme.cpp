#include "theme/DarkTheme.h"

#include "platform/NativeWindow.h"
#include "theme/CaptionPanel.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <memory>
#include <unordered_map>

namespace nimbral {

namespace {

using TButtonColors = std::unordered_map<const wxWindow*, TColorPair>;

// Keyed by the panel's identity; entries are never removed and do not own
// their panels.
std::unique_ptr<TButtonColors> ButtonColors;

// The registry exists from the module's start-up to its shutdown.
struct TRegistryLifetime {
    TRegistryLifetime() { TDarkThemeHelper::Initialize(); }
    ~TRegistryLifetime() { TDarkThemeHelper::Finalize(); }
} RegistryLifetime;

const wxColour White(0xFF, 0xFF, 0xFF);

void SetFontSize(wxWindow* Control, int Points)
{
    wxFont Font = Control->GetFont();
    Font.SetPointSize(Points);
    Control->SetFont(Font);
}

// No border, no 3-D look.
void MakeFlat(wxWindow* Control)
{
    Control->SetWindowStyleFlag((Control->GetWindowStyleFlag() & ~wxBORDER_MASK) | wxBORDER_NONE);
    Control->Refresh();
}

}  // namespace

void TDarkThemeHelper::Initialize() { ButtonColors = std::make_unique<TButtonColors>(); }

void TDarkThemeHelper::Finalize() { ButtonColors.reset(); }

void TDarkThemeHelper::ApplyDarkForm(wxTopLevelWindow* AForm)
{
    AForm->SetBackgroundColour(wxColour(0x0A, 0x0A, 0x0A));
    AForm->SetForegroundColour(White);
    wxFont Font = AForm->GetFont();
    Font.SetFaceName("Segoe UI");
    AForm->SetFont(Font);
    AForm->SetDoubleBuffered(true);
}

void TDarkThemeHelper::ApplyDarkPanel(wxPanel* APanel, const wxColour& ABgColor)
{
    APanel->SetOwnBackgroundColour(ABgColor);
    APanel->SetOwnForegroundColour(White);
    APanel->Refresh();
}

void TDarkThemeHelper::ApplyDarkLabel(wxStaticText* ALabel, const wxColour& AColor)
{
    // Labels draw on their parent's background already.
    ALabel->SetForegroundColour(AColor);
}

void TDarkThemeHelper::ApplyDarkEdit(wxTextCtrl* AEdit)
{
    AEdit->SetBackgroundColour(wxColour(0x2D, 0x2D, 0x2D));
    AEdit->SetForegroundColour(White);
    SetFontSize(AEdit, 11);
    MakeFlat(AEdit);
}

void TDarkThemeHelper::ApplyDarkComboBox(wxComboBox* ACB)
{
    ACB->SetBackgroundColour(wxColour(0x2D, 0x2D, 0x2D));
    ACB->SetForegroundColour(White);
    MakeFlat(ACB);
    platform::DisableVisualStyle(ACB->GetHandle());
}

void TDarkThemeHelper::ApplyDarkCheckBox(wxCheckBox* ACB)
{
    ACB->SetForegroundColour(White);
    MakeFlat(ACB);
}

void TDarkThemeHelper::ApplyDarkListView(wxListView* ALV)
{
    ALV->SetBackgroundColour(wxColour(0x1A, 0x1A, 0x1A));
    ALV->SetForegroundColour(White);
    MakeFlat(ALV);
    platform::DisableVisualStyle(ALV->GetHandle());
}

void TDarkThemeHelper::ApplyLightEdit(wxTextCtrl* AEdit)
{
    AEdit->SetBackgroundColour(White);
    AEdit->SetForegroundColour(wxColour(0x33, 0x33, 0x33));
    SetFontSize(AEdit, 11);
    MakeFlat(AEdit);
}

void TDarkThemeHelper::ApplyLightLabel(wxStaticText* ALabel, const wxColour& AColor)
{
    ALabel->SetForegroundColour(AColor);
}

void TDarkThemeHelper::SetupButtonPanel(TCaptionPanel* APanel, const wxColour& ANormalColor,
                                        const wxColour& AHoverColor, const wxColour& AFontColor,
                                        int AFontSize)
{
    APanel->SetOwnBackgroundColour(ANormalColor);
    APanel->SetOwnForegroundColour(AFontColor);
    wxFont Font = APanel->GetFont();
    Font.SetPointSize(AFontSize);
    Font.SetWeight(wxFONTWEIGHT_BOLD);
    APanel->SetOwnFont(Font);
    APanel->SetCursor(wxCursor(wxCURSOR_HAND));
    APanel->Refresh();

    if (!ButtonColors)
        Initialize();
    (*ButtonColors)[APanel] = TColorPair::Create(ANormalColor, AHoverColor);

    // Replace, not add: a panel set up twice has one pair of handlers.
    APanel->Unbind(wxEVT_ENTER_WINDOW, &TDarkThemeHelper::ButtonPanelMouseEnter);
    APanel->Unbind(wxEVT_LEAVE_WINDOW, &TDarkThemeHelper::ButtonPanelMouseLeave);
    APanel->Bind(wxEVT_ENTER_WINDOW, &TDarkThemeHelper::ButtonPanelMouseEnter);
    APanel->Bind(wxEVT_LEAVE_WINDOW, &TDarkThemeHelper::ButtonPanelMouseLeave);
}

void TDarkThemeHelper::SetButtonEnabled(TCaptionPanel* APanel, bool AEnabled,
                                        const wxColour& ANormalColor)
{
    if (AEnabled) {
        APanel->SetOwnBackgroundColour(ANormalColor);
        APanel->SetOwnForegroundColour(White);
        APanel->SetCursor(wxCursor(wxCURSOR_HAND));
    } else {
        APanel->SetOwnBackgroundColour(wxColour(0x33, 0x33, 0x33));
        APanel->SetOwnForegroundColour(wxColour(0x55, 0x55, 0x55));
        APanel->SetCursor(wxNullCursor);
    }
    APanel->Enable(AEnabled);
    APanel->Refresh();
}

void TDarkThemeHelper::ButtonPanelMouseEnter(wxMouseEvent& Event)
{
    ShowRegisteredColour(dynamic_cast<wxWindow*>(Event.GetEventObject()), true);
    Event.Skip();
}

void TDarkThemeHelper::ButtonPanelMouseLeave(wxMouseEvent& Event)
{
    ShowRegisteredColour(dynamic_cast<wxWindow*>(Event.GetEventObject()), false);
    Event.Skip();
}

void TDarkThemeHelper::ShowRegisteredColour(wxWindow* Sender, bool Hover)
{
    auto* Panel = dynamic_cast<wxPanel*>(Sender);
    if (Panel == nullptr || !Panel->IsEnabled() || !ButtonColors)
        return;
    const auto Found = ButtonColors->find(Panel);
    if (Found == ButtonColors->end())
        return;
    Panel->SetOwnBackgroundColour(Hover ? Found->second.Hover : Found->second.Normal);
    Panel->Refresh();
}

}  // namespace nimbral
