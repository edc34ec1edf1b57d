// The launcher browser of the Windows cross build, whose wx has no Edge back
// end: it behaves as a machine without the WebView2 runtime. The creation is
// reported as failed from the event loop, the page area stays empty, and the
// main window shows nothing and tries nothing again.

#include "launcher/LauncherBrowser.h"
#include "support/MainWindowFixture.h"

#include <wx/frame.h>

#include <gtest/gtest.h>

namespace nimbral::test {
namespace {

TEST(NoEngineBrowser, ReportsTheFailedCreationOnceFromTheEventLoopAndRefusesToNavigate)
{
    wxFrame* Frame = new wxFrame(nullptr, wxID_ANY, "browser");
    std::unique_ptr<TLauncherBrowser> Browser = CreatePlatformLauncherBrowser(Frame);
    std::vector<bool> Reports;
    Browser->OnCreated = [&](TLauncherBrowser& Sender, bool Succeeded) {
        EXPECT_EQ(&Sender, Browser.get());
        Reports.push_back(Succeeded);
    };
    ASSERT_NE(Browser->Window(), nullptr);
    EXPECT_EQ(Browser->Window()->GetParent(), Frame);
    EXPECT_TRUE(Browser->Window()->GetChildren().empty());
    EXPECT_TRUE(Reports.empty());

    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(Reports, std::vector<bool>{false});
    EXPECT_THROW(Browser->Navigate("http://127.0.0.1:1/app/launch"), std::exception);
    EXPECT_THROW(Browser->Reload(), std::exception);
    EXPECT_EQ(Browser->CurrentUrl(), "");
    Browser.reset();
    Frame->Destroy();
    PumpFor(std::chrono::milliseconds(20));
}

TEST(NoEngineBrowser, ABrowserGoneBeforeTheLoopRunsReportsNothing)
{
    wxFrame* Frame = new wxFrame(nullptr, wxID_ANY, "browser");
    int Reports = 0;
    {
        std::unique_ptr<TLauncherBrowser> Browser = CreatePlatformLauncherBrowser(Frame);
        Browser->OnCreated = [&](TLauncherBrowser&, bool) { ++Reports; };
    }
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(Reports, 0);
    Frame->Destroy();
    PumpFor(std::chrono::milliseconds(20));
}

using TNoEngineWindowTest = TMainWindowFixture;

TEST_F(TNoEngineWindowTest, TheMainWindowKeepsAnEmptyPageAndShowsNothing)
{
    TDialogAnswers Boxes;
    TMainWindowSetup Setup = WindowSetup();
    Setup.BrowserFactory = CreatePlatformLauncherBrowser;
    Form = new TfrmMain(std::move(Setup));
    PumpFor(std::chrono::milliseconds(200));

    ASSERT_NE(Form->FPcBangBrowser, nullptr);
    EXPECT_FALSE(Form->FPcBangBrowserLoaded);
    ASSERT_EQ(LogTexts().size(), 1u);
    EXPECT_EQ(LogTexts()[0].rfind("PcBangBrowser navigate failed: ", 0), 0u) << LogTexts()[0];
    EXPECT_TRUE(Boxes.Messages().empty());
    // Nothing is tried again: the one failed navigation is all.
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(LogTexts().size(), 1u);
}

}  // namespace
}  // namespace nimbral::test
