// The real launcher browser (wxWebView on WebKitGTK) against pages served on
// 127.0.0.1: only string messages reach the host, navigations and redirects
// can be cancelled, and the creation is reported after the factory returns.

#include "launcher/LauncherBrowser.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

#include <wx/frame.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace nimbral::test {
namespace {

const char* const PostingPage = R"(<!doctype html><meta charset="utf-8"><script>
  window.chrome.webview.postMessage({action: "logout"});
  window.chrome.webview.postMessage(42);
  window.chrome.webview.postMessage(JSON.stringify({action: "logout", name: "한글"}));
  window.chrome.webview.postMessage("done");
</script>)";

class TWebKitBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (std::filesystem::temp_directory_path() / "nimbral-webkit-test").c_str(), 1);
        Server.SetHandler([](const httplib::Request& Req, httplib::Response& Res) {
            if (Req.path == "/redirect") {
                Res.status = 302;
                Res.set_header("Location", "/blocked");
                return;
            }
            Res.set_content(PostingPage, "text/html; charset=utf-8");
        });
        Frame = new wxFrame(nullptr, wxID_ANY, "browser");
        Browser = CreatePlatformLauncherBrowser(Frame);
        Browser->OnCreated = [this](TLauncherBrowser& Sender, bool Succeeded) {
            Created = Succeeded && &Sender == Browser.get();
        };
        Browser->OnWebMessage = [this](const std::string& Text) { Messages.push_back(Text); };
        Browser->OnNavigationStarting = [this](TNavigationStartingArgs& Args) {
            Starting.push_back(Args.Url);
            Args.Cancel = Args.Url.find("/blocked") != std::string::npos;
        };
        Frame->Show();
    }

    void TearDown() override
    {
        Browser.reset();
        Frame->Destroy();
        PumpFor(std::chrono::milliseconds(50));
    }

    bool Requested(const std::string& Path) const
    {
        const auto Requests = Server.Requests();
        return std::any_of(Requests.begin(), Requests.end(),
                           [&](const TRecordedRequest& R) { return R.Path == Path; });
    }

    TTestServer Server;
    wxFrame* Frame = nullptr;
    std::unique_ptr<TLauncherBrowser> Browser;
    bool Created = false;
    std::vector<std::string> Messages;
    std::vector<std::string> Starting;
};

TEST_F(TWebKitBrowserTest, OnlyStringMessagesReachTheHost)
{
    ASSERT_TRUE(PumpUntil([&] { return Created; }));
    Browser->Navigate(Server.Origin() + "/page");
    ASSERT_TRUE(PumpUntil([&] { return !Messages.empty() && Messages.back() == "done"; }));
    EXPECT_EQ(Messages, (std::vector<std::string>{R"({"action":"logout","name":"한글"})", "done"}));
    EXPECT_EQ(Browser->CurrentUrl(), Server.Origin() + "/page");
}

TEST_F(TWebKitBrowserTest, CancelledNavigationsAndRedirectTargetsAreNotLoaded)
{
    Browser->Navigate(Server.Origin() + "/page");
    ASSERT_TRUE(PumpUntil([&] { return Requested("/page"); }));

    Browser->Navigate(Server.Origin() + "/blocked");
    Browser->Navigate(Server.Origin() + "/redirect");
    ASSERT_TRUE(PumpUntil([&] {
        return std::count_if(Starting.begin(), Starting.end(), [](const std::string& U) {
                   return U.find("/blocked") != std::string::npos;
               }) == 2;
    }));
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(Requested("/redirect"));
    EXPECT_FALSE(Requested("/blocked"));
    EXPECT_EQ(Browser->CurrentUrl().find("/blocked"), std::string::npos);
}

}  // namespace
}  // namespace nimbral::test
