// The update check at start, the first step of the main window's creation:
// a build older than the manifest's lowest allowed version shows the update
// window, and the program ends once it closes, updated or not.

#include "app/FormMain.h"
#include "update/AppVersion.h"
#include "update/FormUpdate.h"
#include "update/ProgramLifetime.h"
#include "update/Updater.h"

namespace nimbral {

void TfrmMain::CheckForUpdate()
{
    TUpdateInfo Info;
    // An unreachable or unreadable manifest lets the program start as usual.
    if (!FetchUpdateInfo(FSetup.ContentOrigin + "/client/version.json", Info))
        return;
    if (!IsUpdateRequired(GetAppVersion(), Info))
        return;

    {
        TfrmUpdate Form(nullptr);
        Form.ApplyInfo(Info);
        Form.ShowModal();
    }  // destroyed here, once, however the modal loop ended
    if (!TerminationRequested())
        RequestTermination();
}

}  // namespace nimbral
