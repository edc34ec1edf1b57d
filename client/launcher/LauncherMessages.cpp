// The messages of the launcher page: sign-in, sign-out and connect requests,
// turned into the client's own actions.

#include "app/FormMain.h"
#include "launcher/LauncherMessage.h"
#include "session/SessionSteps.h"
#include "store/TokenStore.h"

#include <exception>

namespace nimbral {

namespace {

void SignIn(TfrmMain& Form, const std::string& Token);
void SignOut(TfrmMain& Form);

}  // namespace

void TfrmMain::HandleLauncherMessage(const std::string& Text)
{
    if (Text.empty())
        return;
    // The whole text, token included, as the page sent it.
    Log("PcBang webmsg: " + Text);

    const std::optional<TLauncherMessage> Message = DecodeLauncherMessage(Text);
    if (!Message)
        return;
    switch (Message->Action) {
    case TLauncherAction::ConnectPc:
        if (Message->PcId > 0)
            ConnectToPc(Message->PcId, Message->PcName);
        break;
    case TLauncherAction::AuthToken:
        SignIn(*this, Message->Token);
        break;
    case TLauncherAction::Logout:
        SignOut(*this);
        break;
    }
}

namespace {

void SignIn(TfrmMain& Form, const std::string& Token)
{
    if (!Form.FApiClient)
        Form.FApiClient = std::make_unique<TApiClient>(Form.Setup().ApiOrigin);
    Form.FApiClient->SetAuthToken(Token);
    SaveToken(Token);
    Form.FRecovering = false;
    Form.FRecoveryFailed = false;
    Form.Log("auth-token received, FApiClient initialized");
    if (Token.empty())
        return;

    Form.FUser = {};
    RefreshUser(Form);
    try {
        Form.CheckCurrentSession();
    } catch (const std::exception& E) {
        Form.Log(std::string("CheckCurrentSession failed: ") + E.what());
    }
    Form.tmrRefresh.SetEnabled(true);
}

void SignOut(TfrmMain& Form)
{
    Form.tmrRefresh.SetEnabled(false);
    Form.FHasActiveSession = false;
    Form.FCurrentSession = {};
    if (Form.FApiClient) {
        try {
            Form.FApiClient->Logout();
        } catch (const std::exception& E) {
            Form.Log(std::string("FApiClient.Logout failed: ") + E.what());
        }
        Form.FApiClient->SetAuthToken("");
    }
    ClearToken();
    Form.FRecoveryFailed = false;
    Form.Log("logout processed, token cleared");
}

}  // namespace

}  // namespace nimbral
