// Stands in for the remote viewer, a program outside the client, so the
// client can be run and tested end to end: a small window "원격 데스크톱"
// that shows the address and the billing values it was started with, and
// quits with exit code 0 on Ctrl+Alt+Shift+Q or its close button.
//
// For tests: NIMBRAL_VIEWER_ARGV_FILE names a file that receives the
// arguments, one per line (a relative name lands in the working folder);
// NIMBRAL_VIEWER_EXIT_AFTER_MS makes the window quit by itself after that
// many milliseconds.

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TViewerArgs {
    std::string Address;
    std::string Rate = "0";
    std::string Mileage = "0";
    bool Subscription = false;
};

TViewerArgs ReadArgs(const std::vector<std::string>& Args)
{
    TViewerArgs Read;
    const auto Value = [](const std::string& Arg, const std::string& Prefix, std::string& Into) {
        if (Arg.rfind(Prefix, 0) == 0)
            Into = Arg.substr(Prefix.size());
    };
    for (std::size_t I = 0; I < Args.size(); ++I) {
        if (Args[I] == "stream" && I + 1 < Args.size())
            Read.Address = Args[I + 1];
        Value(Args[I], "--rate-per-hour=", Read.Rate);
        Value(Args[I], "--mileage=", Read.Mileage);
        if (Args[I] == "--subscription")
            Read.Subscription = true;
    }
    return Read;
}

void WriteArgs(const std::vector<std::string>& Args)
{
    const char* File = std::getenv("NIMBRAL_VIEWER_ARGV_FILE");
    if (File == nullptr || *File == '\0')
        return;
    // Written aside and renamed, so a reader never sees half of it.
    const std::string Part = std::string(File) + ".part";
    {
        std::ofstream Out(Part, std::ios::binary | std::ios::trunc);
        for (const std::string& Arg : Args)
            Out << Arg << '\n';
    }
    std::rename(Part.c_str(), File);
}

// The arguments after the program's name, as UTF-8. On Windows main()
// receives them in the ANSI code page, where a Korean PC name becomes "?";
// the wide command line keeps every character.
std::vector<std::string> ProgramArgs(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int Count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> Wide(CommandLineToArgvW(GetCommandLineW(), &Count),
                                                              &LocalFree);
    std::vector<std::string> Args;
    for (int I = 1; Wide && I < Count; ++I)
        Args.push_back(wxString(Wide.get()[I]).utf8_string());
    return Args;
#else
    return {argv + 1, argv + argc};
#endif
}

class TViewerFrame : public wxFrame {
public:
    explicit TViewerFrame(const TViewerArgs& Args)
        : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("원격 데스크톱"), wxDefaultPosition, wxSize(480, 300))
    {
        auto* Panel = new wxPanel(this);
        Panel->SetBackgroundColour(wxColour(0x10, 0x10, 0x10));
        auto* Lines = new wxBoxSizer(wxVERTICAL);
        const auto Add = [&](const std::string& Text, int Points, const wxColour& Colour) {
            auto* Label = new wxStaticText(Panel, wxID_ANY, wxString::FromUTF8(Text));
            Label->SetFont(wxFont(wxFontInfo(Points)));
            Label->SetForegroundColour(Colour);
            Lines->Add(Label, 0, wxALL, 8);
        };
        const wxColour White(0xFF, 0xFF, 0xFF), Grey(0xAA, 0xAA, 0xAA);
        Add("원격 PC " + Args.Address, 16, White);
        Add("시간당 요금: " + Args.Rate, 11, White);
        Add("마일리지: " + Args.Mileage, 11, White);
        Add(Args.Subscription ? "전용 PC (구독)" : "일반 PC", 11, White);
        Add("종료: Ctrl + Alt + Shift + Q", 10, Grey);
        Panel->SetSizer(Lines);

        Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& Event) {
            if (Event.GetModifiers() == (wxMOD_CONTROL | wxMOD_ALT | wxMOD_SHIFT) && Event.GetKeyCode() == 'Q')
                Close();
            else
                Event.Skip();
        });
        if (const char* After = std::getenv("NIMBRAL_VIEWER_EXIT_AFTER_MS")) {
            FQuitTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Close(); });
            FQuitTimer.StartOnce(std::atoi(After));
        }
    }

private:
    wxTimer FQuitTimer;
};

class TViewerApp : public wxApp {
public:
    explicit TViewerApp(TViewerArgs AArgs) : FArgs(std::move(AArgs)) {}
    // The toolkit does not parse the viewer's options: they are read above.
    bool OnInit() override
    {
        (new TViewerFrame(FArgs))->Show();
        return true;
    }

private:
    TViewerArgs FArgs;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> Args = ProgramArgs(argc, argv);
    WriteArgs(Args);
    wxApp::SetInstance(new TViewerApp(ReadArgs(Args)));
    // Only the program's name reaches the toolkit: none of the options is
    // its own.
    int ToolkitArgc = 1;
    wxEntry(ToolkitArgc, argv);
    return 0;
}
