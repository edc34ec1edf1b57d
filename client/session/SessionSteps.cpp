#include "session/SessionSteps.h"

#include "app/FormMain.h"
#include "core/ExceptionText.h"

#include <exception>

namespace nimbral {

void RefreshUser(TfrmMain& Form)
{
    if (!Form.FApiClient)
        return;
    try {
        TApiResponse Response = Form.FApiClient->GetMe(Form.FUser);
        Response.Free();
    } catch (const std::exception& E) {
        Form.Log(std::string("GetMe failed: ") + E.what());
    }
}

void ReloadAfterSessionChange(TfrmMain& Form)
{
    try {
        Form.ReloadLauncherPage();
    } catch (const std::exception& E) {
        Form.Log("ReloadLauncherPage failed: " + ExceptionText(E));
    }
}

}  // namespace nimbral
