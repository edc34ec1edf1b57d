// The launcher page host with the stand-in browser: the first navigation, the
// reload and its fallback, the engine's creation, and the sign-in recovery.

#include "store/TokenStore.h"
#include "support/MainWindowFixture.h"
#include "update/AppVersion.h"

namespace nimbral::test {
namespace {

using TLauncherHostTest = TMainWindowFixture;

TEST_F(TLauncherHostTest, TheLaunchPageIsRequestedOnceWithTheVersion)
{
    TfrmMain& F = Open();
    ASSERT_NE(Browser, nullptr);
    EXPECT_EQ(Browser->Navigations, std::vector<std::string>{WebOrigin + "/app/launch?v=" + GetAppVersion()});
    EXPECT_TRUE(F.FPcBangBrowserLoaded);

    F.EnsurePcBangBrowser();
    EXPECT_EQ(Browser->Navigations.size(), 1u);
}

TEST_F(TLauncherHostTest, EngineCreationAppliesTheTwoSettingsOnlyOnSuccess)
{
    Open();
    Browser->FinishCreation(false);
    EXPECT_FALSE(Browser->ContextMenusOff);
    EXPECT_FALSE(Browser->StatusBarOff);
    Browser->FinishCreation(true);
    EXPECT_TRUE(Browser->ContextMenusOff);
    EXPECT_TRUE(Browser->StatusBarOff);
}

TEST_F(TLauncherHostTest, BrowserFailuresAreLoggedAndTheWindowStillOpens)
{
    TMainWindowSetup S = WindowSetup();
    S.BrowserFactory = [](wxWindow*) -> std::unique_ptr<TLauncherBrowser> {
        throw std::runtime_error("no engine here");
    };
    Form = new TfrmMain(S);
    EXPECT_TRUE(Logged("EnsurePcBangBrowser failed: runtime_error: no engine here"));
    EXPECT_FALSE(Form->FPcBangBrowserLoaded);
    EXPECT_NE(Form->FApiClient, nullptr);

    LogLines.clear();
    TMainWindowSetup Refusing = WindowSetup();
    Refusing.BrowserFactory = [this](wxWindow* Parent) {
        auto B = std::make_unique<TFakeLauncherBrowser>(Parent);
        B->FailNavigate = true;
        Browser = B.get();
        return B;
    };
    Form->Destroy();
    Form = new TfrmMain(Refusing);
    EXPECT_TRUE(Logged("PcBangBrowser navigate failed: runtime_error: navigation refused"));
    EXPECT_FALSE(Form->FPcBangBrowserLoaded);
}

TEST_F(TLauncherHostTest, ReloadFallsBackToTheCurrentPageOrTheLaunchPage)
{
    TfrmMain& F = Open();
    F.ReloadLauncherPage();
    EXPECT_EQ(Browser->Reloads, 1);

    Browser->FailReload = true;
    const std::pair<std::string, std::string> Cases[] = {
        {"about:blank", WebOrigin + "/app/launch"},
        {"", WebOrigin + "/app/launch"},
        {"http://web.invalid/app/launch?v=9", "http://web.invalid/app/launch?v=9"},
    };
    for (const auto& [Current, Expected] : Cases) {
        Browser->Current = Current;
        Browser->Navigations.clear();
        F.ReloadLauncherPage();
        EXPECT_EQ(Browser->Navigations, std::vector<std::string>{Expected}) << Current;
    }

    // A failing fallback is the caller's to handle.
    Browser->FailNavigate = true;
    EXPECT_THROW(F.ReloadLauncherPage(), std::runtime_error);
}

TEST_F(TLauncherHostTest, ReloadWithoutABrowserDoesNothing)
{
    RequestTermination();
    TfrmMain& F = Open();
    ClearTerminationRequest();
    ASSERT_EQ(F.FPcBangBrowser, nullptr);
    F.ReloadLauncherPage();
    EXPECT_EQ(Browser, nullptr);
}

// The sign-in recovery, from Idle, for each answer of the service.
struct TRecoveryCase {
    const char* Name;
    int Status;              // 0: nobody answers
    const char* Body;
    bool NavigatedToMagic;   // else to the sign-in page, or nowhere
    bool NavigatedToLogin;
    bool Recovering;
    bool RecoveryFailed;
    bool TokenKept;
    const char* LogLine;
};

TEST_F(TLauncherHostTest, ASignInNavigationWhileSignedInStartsOneRecovery)
{
    const TRecoveryCase Cases[] = {
        {"magic url", 200, R"({"success":true,"data":{"url":"http://web.invalid/app/magic?code=1"}})",
         true, false, true, false, true, "Magic recovery -> http://web.invalid/app/magic?code=1"},
        {"refused", 401, R"({"success":false,"message":"만료"})", false, true, false, true, false,
         "Magic recovery failed (status=401) — 로그인 페이지로 폴백"},
        {"no url", 200, R"({"success":true,"data":{}})", false, true, false, true, false,
         "Magic recovery failed (status=200) — 로그인 페이지로 폴백"},
        {"no answer", 0, "", false, true, false, true, false,
         "Magic recovery failed (status=0) — 로그인 페이지로 폴백"},
        {"malformed", 200, R"({"success":true,"data":{"url":{"x":1}}})", false, false, false, true, true,
         "TryMagicRecovery exception: "},
    };
    for (const TRecoveryCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Api.Answer(C.Status, C.Body);
        ASSERT_TRUE(SaveToken("tok-9"));
        LogLines.clear();
        if (Form != nullptr)
            Form->Destroy();
        TMainWindowSetup S = WindowSetup();
        if (C.Status == 0)
            S.ApiOrigin = "http://127.0.0.1:1";
        Form = new TfrmMain(S);
        Browser->Navigations.clear();
        Browser->Current = "http://web.invalid/app/launch";

        EXPECT_FALSE(Browser->NavigateFromPage(WebOrigin + "/app/login"));
        EXPECT_EQ(Form->FRecovering, C.Recovering);
        EXPECT_EQ(Form->FRecoveryFailed, C.RecoveryFailed);
        EXPECT_EQ(Form->FApiClient->AuthToken(), C.TokenKept ? "tok-9" : "");
        EXPECT_EQ(LoadToken(), C.TokenKept ? "tok-9" : "");
        std::vector<std::string> Expected;
        if (C.NavigatedToMagic)
            Expected.push_back("http://web.invalid/app/magic?code=1");
        if (C.NavigatedToLogin)
            Expected.push_back(WebOrigin + "/app/login");
        EXPECT_EQ(Browser->Navigations, Expected);
        const auto Texts = LogTexts();
        ASSERT_FALSE(Texts.empty());
        EXPECT_EQ(Texts.back().rfind(C.LogLine, 0), 0u) << Texts.back();
        if (C.Status != 0) {
            EXPECT_EQ(Api.Last().Path, "/api/v1/magic-login-url");
            EXPECT_EQ(Api.Last().Body, R"({"redirect":"\/app\/launch"})");
            EXPECT_EQ(Api.Last().Header("Authorization"), "Bearer tok-9");
        }

        // Whatever came of it, the next sign-in page is shown as it is.
        Api.ClearRequests();
        EXPECT_TRUE(Browser->NavigateFromPage(WebOrigin + "/app/LOGIN?again=1"));
        EXPECT_TRUE(Api.Requests().empty());
    }
}

TEST_F(TLauncherHostTest, SignInPagesAreShownWhenSignedOut)
{
    Open();
    EXPECT_TRUE(Browser->NavigateFromPage(WebOrigin + "/app/login"));
    EXPECT_TRUE(Api.Requests().empty());
}

TEST_F(TLauncherHostTest, AuthTokenOrLogoutEndAFailedRecovery)
{
    Api.Answer(500, R"({"success":false,"message":"x"})");
    TfrmMain& F = Open();
    const std::pair<const char*, const char*> Exits[] = {
        {R"({"action":"auth-token","token":"again"})", "auth-token"},
        {R"({"action":"logout"})", "logout"},
    };
    for (const auto& [Message, Name] : Exits) {
        SCOPED_TRACE(Name);
        F.FApiClient->SetAuthToken("tok");
        F.FRecovering = false;
        F.FRecoveryFailed = false;
        ASSERT_FALSE(Browser->NavigateFromPage(WebOrigin + "/app/login"));
        ASSERT_TRUE(F.FRecoveryFailed);
        Browser->PostWebMessage(Message);
        EXPECT_FALSE(F.FRecoveryFailed);
        EXPECT_FALSE(F.FRecovering);
    }
}

TEST_F(TLauncherHostTest, LogoutDuringARecoveryKeepsItRecovering)
{
    Api.Answer(200, R"({"success":true,"data":{"url":"http://web.invalid/app/magic?code=2"}})");
    TfrmMain& F = Open();
    F.FApiClient->SetAuthToken("tok");
    ASSERT_FALSE(Browser->NavigateFromPage(WebOrigin + "/app/login"));
    ASSERT_TRUE(F.FRecovering);
    Browser->PostWebMessage(R"({"action":"logout"})");
    EXPECT_TRUE(F.FRecovering);
    Browser->PostWebMessage(R"({"action":"auth-token","token":"t2"})");
    EXPECT_FALSE(F.FRecovering);
}

}  // namespace
}  // namespace nimbral::test
