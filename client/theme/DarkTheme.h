#pragma once
// The colours of the client's dark look, and panels made into flat buttons
// that change colour under the mouse. Class operations only; the one piece
// of state is the registry of button panels and their two colours.

#include <wx/colour.h>

class wxCheckBox;
class wxComboBox;
class wxListView;
class wxMouseEvent;
class wxPanel;
class wxStaticText;
class wxTextCtrl;
class wxTopLevelWindow;
class wxWindow;

namespace nimbral {

class TCaptionPanel;

struct TColorPair {
    wxColour Normal;
    wxColour Hover;

    static TColorPair Create(const wxColour& ANormal, const wxColour& AHover) { return {ANormal, AHover}; }
};

class TDarkThemeHelper {
public:
    TDarkThemeHelper() = delete;

    // The registry's life: made at start-up, destroyed at shutdown.
    static void Initialize();
    static void Finalize();

    static void ApplyDarkForm(wxTopLevelWindow* AForm);
    static void ApplyDarkPanel(wxPanel* APanel, const wxColour& ABgColor);
    static void ApplyDarkLabel(wxStaticText* ALabel, const wxColour& AColor);
    static void ApplyDarkEdit(wxTextCtrl* AEdit);
    static void ApplyDarkComboBox(wxComboBox* ACB);
    static void ApplyDarkCheckBox(wxCheckBox* ACB);
    static void ApplyDarkListView(wxListView* ALV);
    static void SetupButtonPanel(TCaptionPanel* APanel, const wxColour& ANormalColor,
                                 const wxColour& AHoverColor, const wxColour& AFontColor,
                                 int AFontSize);
    static void SetButtonEnabled(TCaptionPanel* APanel, bool AEnabled, const wxColour& ANormalColor);
    static void ApplyLightEdit(wxTextCtrl* AEdit);
    static void ApplyLightLabel(wxStaticText* ALabel, const wxColour& AColor);

private:
    static void ButtonPanelMouseEnter(wxMouseEvent& Event);
    static void ButtonPanelMouseLeave(wxMouseEvent& Event);
    static void ShowRegisteredColour(wxWindow* Sender, bool Hover);
};

}  // namespace nimbral
