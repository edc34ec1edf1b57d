#pragma once
// A panel that shows a one-line caption centred in its own font and colour:
// what the dark theme turns into a flat button.

#include <wx/panel.h>

#include <string>

namespace nimbral {

class TCaptionPanel : public wxPanel {
public:
    TCaptionPanel(wxWindow* Parent, const std::string& ACaption, const wxSize& Size = wxDefaultSize);

    void SetCaption(const std::string& ACaption);
    const wxString& Caption() const { return FCaption; }

private:
    wxString FCaption;
    void Paint(wxPaintEvent& Event);
};

}  // namespace nimbral
