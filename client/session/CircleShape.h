#pragma once
// A filled circle without an outline, the size of the control, drawn on its
// parent's background: the dots of the overlay's spinner.

#include <wx/window.h>

namespace nimbral {

class TCircleShape : public wxWindow {
public:
    TCircleShape(wxWindow* Parent, const wxSize& Size, const wxColour& AFill);

    const wxColour& Fill() const { return FFill; }
    void SetFill(const wxColour& AFill);

private:
    wxColour FFill;
    void Paint(wxPaintEvent& Event);
};

}  // namespace nimbral
