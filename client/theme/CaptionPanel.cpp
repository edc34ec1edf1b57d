#include "theme/CaptionPanel.h"

#include <wx/dcbuffer.h>

namespace nimbral {

TCaptionPanel::TCaptionPanel(wxWindow* Parent, const std::string& ACaption, const wxSize& Size)
    : wxPanel(Parent, wxID_ANY, wxDefaultPosition, Size, wxBORDER_NONE),
      FCaption(wxString::FromUTF8(ACaption))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TCaptionPanel::Paint, this);
}

void TCaptionPanel::SetCaption(const std::string& ACaption)
{
    FCaption = wxString::FromUTF8(ACaption);
    Refresh();
}

void TCaptionPanel::Paint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC Dc(this);
    Dc.SetBackground(wxBrush(GetBackgroundColour()));
    Dc.Clear();
    Dc.SetFont(GetFont());
    Dc.SetTextForeground(GetForegroundColour());
    const wxSize Text = Dc.GetTextExtent(FCaption);
    const wxSize Size = GetClientSize();
    Dc.DrawText(FCaption, (Size.x - Text.x) / 2, (Size.y - Text.y) / 2);
}

}  // namespace nimbral
