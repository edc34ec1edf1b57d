#include "session/CircleShape.h"

#include <wx/dcbuffer.h>
#include <wx/dcgraph.h>

namespace nimbral {

TCircleShape::TCircleShape(wxWindow* Parent, const wxSize& Size, const wxColour& AFill)
    : wxWindow(Parent, wxID_ANY, wxDefaultPosition, Size, wxBORDER_NONE), FFill(AFill)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TCircleShape::Paint, this);
}

void TCircleShape::SetFill(const wxColour& AFill)
{
    if (FFill == AFill)
        return;
    FFill = AFill;
    Refresh();
}

void TCircleShape::Paint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC Dc(this);
    Dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    Dc.Clear();
    // Anti-aliased edge, as the shape is small.
    wxGCDC Gc(Dc);
    Gc.SetPen(*wxTRANSPARENT_PEN);
    Gc.SetBrush(wxBrush(FFill));
    const wxSize Size = GetClientSize();
    Gc.DrawEllipse(0, 0, Size.x, Size.y);
}

}  // namespace nimbral
