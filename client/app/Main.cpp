// NimbralClient's entry point: one client per login session, the clean-up of
// what an earlier update left behind, then the main window and its loop.

#include "app/FormMain.h"
#include "platform/SingleInstance.h"
#include "platform/SpecialFolders.h"
#include "update/ProgramLifetime.h"
#include "update/Updater.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

#include <exception>
#include <string>

namespace {

class TNimbralApp : public wxApp {
public:
    explicit TNimbralApp(nimbral::platform::TInstanceGuard& Guard) : FGuard(Guard) {}

    // The client reads no command-line arguments: the toolkit's own parsing
    // is not run.
    bool OnInit() override
    {
        SetAppDisplayName("Nimbral");
        auto* Form = new nimbral::TfrmMain(nimbral::ProgramWindowSetup(FGuard));
        if (nimbral::TerminationRequested()) {
            // The update check ended the program before the window was set up.
            Form->Destroy();
            return false;
        }
        SetTopWindow(Form);
        Form->Show();
        return true;
    }

    // The program's top-level error report: an error that escapes an event
    // handler (the update window's button, for one) is shown in the standard
    // error box and the program carries on.
    bool OnExceptionInMainLoop() override
    {
        std::string Text;
        try {
            throw;
        } catch (const std::exception& E) {
            Text = E.what();
        } catch (...) {
            Text = "알 수 없는 오류가 발생했습니다.";
        }
        wxMessageBox(wxString::FromUTF8(Text), GetAppDisplayName(), wxOK | wxICON_ERROR);
        return true;
    }

private:
    nimbral::platform::TInstanceGuard& FGuard;
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace nimbral;

    const std::uint32_t ActivateMsg = platform::RegisterActivationMessage();
    platform::TInstanceGuard Guard;
    if (Guard.Acquire() == platform::TGuardState::AlreadyRunning) {
        if (ActivateMsg != 0)
            platform::PostActivation(ActivateMsg);
        return 0;
    }
    // An update lets go of the guard just before it starts the new build, so
    // the new build becomes the one client, and takes it back when that start
    // failed.
    SetGuardHandOver({[&Guard] { Guard.Release(); }, [&Guard] { Guard.Retake(); }});

    try {
        CleanupOldFiles(platform::RunningProgramFile().parent_path());
    } catch (const std::exception&) {
        // Without its own path the program cannot tell its folder; what an
        // update left behind waits for the next start.
    }

    // The application object needs the guard, so it is made here rather
    // than by wx's own factory.
    wxApp::SetInstance(new TNimbralApp(Guard));
    wxEntry(argc, argv);
    return 0;
}
