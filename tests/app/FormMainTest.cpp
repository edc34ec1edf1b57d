// The main window: its creation sequence, closing with and without a session,
// the log line format and the reaction to a second start's activation.

#include "store/TokenStore.h"
#include "support/MainWindowFixture.h"
#include "update/AppVersion.h"

#include <fstream>
#include <regex>

namespace nimbral::test {
namespace {

using TFormMainTest = TMainWindowFixture;

TEST_F(TFormMainTest, CreationSetsUpTheWindowSignedOut)
{
    TfrmMain& F = Open();
    EXPECT_EQ(F.GetTitle().utf8_string(), "NIMBRAL | " + GetAppVersion());
    EXPECT_EQ(F.GetClientSize(), wxSize(928, 602));
    EXPECT_NE(F.FActivateMsg, 0u);
    ASSERT_NE(F.FApiClient, nullptr);
    EXPECT_EQ(F.FApiClient->BaseURL(), Api.Origin());
    EXPECT_EQ(F.FApiClient->AuthToken(), "");
    EXPECT_FALSE(F.FHasActiveSession);
    EXPECT_FALSE(F.FRemoteViewerActive);
    EXPECT_FALSE(F.tmrRefresh.Enabled());
    EXPECT_EQ(F.tmrRefresh.IntervalMs(), 5000);
    EXPECT_TRUE(F.pnlPagePcBang->IsShown());
    ASSERT_NE(Browser, nullptr);
    EXPECT_EQ(Browser->Window()->GetParent(), F.pnlPagePcBang);
    EXPECT_EQ(Browser->Navigations.size(), 1u);
    // Nothing is asked of the service until the page signs in.
    EXPECT_TRUE(Api.Requests().empty());
}

TEST_F(TFormMainTest, CreationTakesTheStoredToken)
{
    ASSERT_TRUE(SaveToken("저장된-토큰"));
    TfrmMain& F = Open();
    EXPECT_EQ(F.FApiClient->AuthToken(), "저장된-토큰");
    EXPECT_TRUE(Api.Requests().empty());
}

TEST_F(TFormMainTest, ATerminationRequestStopsCreationBeforeTheClientAndTheBrowser)
{
    ASSERT_TRUE(SaveToken("unread"));
    RequestTermination();
    TfrmMain& F = Open();
    ClearTerminationRequest();
    EXPECT_EQ(F.FApiClient, nullptr);
    EXPECT_EQ(F.FPcBangBrowser, nullptr);
    EXPECT_EQ(Browser, nullptr);
    EXPECT_EQ(F.GetTitle(), "");
}

TEST_F(TFormMainTest, AnUnusableTokenFolderIsReportedAndTheWindowStillOpens)
{
    // A regular file where the configuration folder should be.
    std::filesystem::create_directories(Home);
    std::ofstream(Home / "config") << "not a folder";
    TDialogAnswers Boxes;
    TfrmMain& F = Open();
    ASSERT_EQ(Boxes.Messages().size(), 1u);
    ASSERT_NE(F.FApiClient, nullptr);
    EXPECT_EQ(F.FApiClient->AuthToken(), "");
    EXPECT_EQ(F.FPcBangBrowser, nullptr);
}

TEST_F(TFormMainTest, ClosingWithoutASessionAsksNothing)
{
    TfrmMain& F = Open();
    F.FRemoteViewerActive = true;  // a viewer alone does not hold the window
    TDialogAnswers Boxes;
    EXPECT_TRUE(F.Close());
    EXPECT_TRUE(Boxes.Messages().empty());
    EXPECT_EQ(F.FApiClient, nullptr);
    Form = nullptr;
}

TEST_F(TFormMainTest, ClosingWithASessionAsksAndNoKeepsEverything)
{
    TfrmMain& F = Open();
    F.FHasActiveSession = true;
    F.tmrRefresh.SetEnabled(false);
    TDialogAnswers Boxes({wxID_NO});
    EXPECT_FALSE(F.Close());
    EXPECT_EQ(Boxes.Messages(), std::vector<std::string>{"활성 세션이 있습니다. 연결을 종료하고 닫으시겠습니까?"});
    EXPECT_TRUE(F.tmrRefresh.Enabled());
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_NE(F.FApiClient, nullptr);
}

TEST_F(TFormMainTest, LogLinesCarryTheTimeOfDayAndGoNowhereWithoutASink)
{
    TfrmMain& F = Open();
    LogLines.clear();
    F.Log("세션 로그");
    ASSERT_EQ(LogLines.size(), 1u);
    EXPECT_TRUE(std::regex_match(LogLines[0], std::regex(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d\.\d{3} 세션 로그)")))
        << LogLines[0];

    F.FMemoLog = nullptr;
    F.Log("discarded");
    EXPECT_EQ(LogLines.size(), 1u);
}

TEST_F(TFormMainTest, OnlyTheActivationMessageRestoresAndRaises)
{
    TfrmMain& F = Open();
    F.Show();
    F.Iconize(true);
    EXPECT_FALSE(F.HandleWindowMessage(F.FActivateMsg + 1));
    EXPECT_TRUE(F.HandleWindowMessage(F.FActivateMsg));
    EXPECT_FALSE(F.IsIconized());
    EXPECT_TRUE(F.IsShown());

    F.FActivateMsg = 0;
    EXPECT_FALSE(F.HandleWindowMessage(0));
}

}  // namespace
}  // namespace nimbral::test
