// The anchor of the start-up comparison: the least a wx program with a web
// view does to show a page. A frame of the client's size, one wxWebView,
// the address from the command line.

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/webview.h>

class TMinimalApp : public wxApp {
public:
    bool OnInit() override
    {
        if (argc < 2)
            return false;
        auto* Frame = new wxFrame(nullptr, wxID_ANY, "minimal");
        wxWebView* View = wxWebView::New(Frame, wxID_ANY);
        View->LoadURL(argv[1]);
        Frame->SetClientSize(928, 602);
        Frame->Show();
        return true;
    }
};

wxIMPLEMENT_APP(TMinimalApp);
