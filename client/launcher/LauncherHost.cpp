// The launcher page host: the browser's creation and first navigation, the
// reload after session changes, and the sign-in recovery that keeps the page
// signed in while the client holds a token.

#include "app/FormMain.h"
#include "core/ExceptionText.h"
#include "launcher/LauncherMessage.h"
#include "store/TokenStore.h"
#include "update/AppVersion.h"

#include <cstdio>
#include <exception>

namespace nimbral {

void TfrmMain::CreatePcBangBrowser()
{
    if (FPcBangBrowser)
        return;
    FPcBangBrowser = FSetup.BrowserFactory(pnlPagePcBang);
    wxWindow* View = FPcBangBrowser->Window();
    View->SetSize(pnlPagePcBang->GetClientSize());

    FPcBangBrowser->OnWebMessage = [this](const std::string& Text) { HandleLauncherMessage(Text); };
    FPcBangBrowser->OnNavigationStarting = [this](TNavigationStartingArgs& Args) {
        HandleLauncherNavigationStarting(Args);
    };
    FPcBangBrowser->OnCreated = [this](TLauncherBrowser& Sender, bool Succeeded) {
        HandleLauncherBrowserCreated(Sender, Succeeded);
    };

    View->Raise();
    if (pnlSessionOverlay != nullptr)
        pnlSessionOverlay->Raise();
}

void TfrmMain::EnsurePcBangBrowser()
{
    try {
        CreatePcBangBrowser();
    } catch (const std::exception& E) {
        Log("EnsurePcBangBrowser failed: " + ExceptionText(E));
        return;
    }
    if (FPcBangBrowserLoaded)
        return;
    try {
        FPcBangBrowser->Navigate(FSetup.WebOrigin + "/app/launch?v=" + GetAppVersion());
        FPcBangBrowserLoaded = true;
    } catch (const std::exception& E) {
        Log("PcBangBrowser navigate failed: " + ExceptionText(E));
    }
}

void TfrmMain::HandleLauncherBrowserCreated(TLauncherBrowser& Sender, bool Succeeded)
{
    // Without an engine the page area stays empty; nothing is retried.
    if (!Succeeded)
        return;
    try {
        Sender.DisableDefaultContextMenus();
        Sender.DisableStatusBar();
    } catch (const std::exception& E) {
        Log(std::string("WebView2 settings 적용 실패: ") + E.what());
    }
}

void TfrmMain::ReloadLauncherPage()
{
    if (!FPcBangBrowser)
        return;
    try {
        FPcBangBrowser->Reload();
    } catch (const std::exception&) {
        std::string Url = FPcBangBrowser->CurrentUrl();
        if (Url == "about:blank")
            Url.clear();
        if (Url.empty())
            Url = FSetup.WebOrigin + "/app/launch";
        // A failure of this fallback is the caller's to handle.
        FPcBangBrowser->Navigate(Url);
    }
}

void TfrmMain::HandleLauncherNavigationStarting(TNavigationStartingArgs& Args)
{
    if (IsLoginUrl(Args.Url) && !FRecovering && !FRecoveryFailed && FApiClient &&
        !FApiClient->AuthToken().empty()) {
        Args.Cancel = true;
        TryMagicRecovery();
    }
}

void TfrmMain::TryMagicRecovery()
{
    FRecovering = true;
    try {
        std::string Url;
        TApiResponse Response = FApiClient->GetMagicLoginUrl("/app/launch", Url);
        if (Response.Success && !Url.empty()) {
            // Recovering lasts until the page, signed in again, posts its token.
            Log("Magic recovery -> " + Url);
            FPcBangBrowser->Navigate(Url);
        } else {
            char Text[128];
            std::snprintf(Text, sizeof Text, "Magic recovery failed (status=%d) — 로그인 페이지로 폴백",
                          static_cast<int>(Response.StatusCode));
            Log(Text);
            FApiClient->SetAuthToken("");
            ClearToken();
            // Failed before the fallback navigation starts, so that this
            // navigation to the sign-in page is let through.
            FRecoveryFailed = true;
            FRecovering = false;
            FPcBangBrowser->Navigate(FSetup.WebOrigin + "/app/login");
        }
        Response.Free();
    } catch (const std::exception& E) {
        Log(std::string("TryMagicRecovery exception: ") + E.what());
        FRecoveryFailed = true;
        FRecovering = false;
    }
}

}  // namespace nimbral
