// The launcher browser on Linux: wxWebView on WebKitGTK.
//
// The page talks to its host with window.chrome.webview.postMessage(text), the
// call the Windows engine provides. Here a script injected at document start
// defines that call on top of a native WebKit script message handler, and the
// handler is WebKit's own rather than wx's script-message event: wx turns a
// posted object into JSON text, so a string and an object would look alike,
// while only a string is a message of the page.
//
// Cookies and storage of the page (its own sign-in among them) live in the
// user's data folder, "<executable name>.WebView2", as on Windows. wx creates
// its views in WebKit's default context, whose website data manager names its
// data and cache folders after the program name at the moment the context is
// made: the first view is therefore created under that name, and the
// program's own name (the windows' class) is put back right after. Cookies
// are kept only in memory unless given a file, so they get one there too.

#include "launcher/LauncherBrowser.h"

#include "platform/SpecialFolders.h"

#include <wx/webview.h>

#include <webkit2/webkit2.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace nimbral {

namespace {

constexpr const char* HandlerName = "nimbralHost";

constexpr const char* PostMessageShim = R"js(
(function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (!handlers || !handlers.nimbralHost) return;
  var host = handlers.nimbralHost;
  window.chrome = window.chrome || {};
  window.chrome.webview = window.chrome.webview || {};
  window.chrome.webview.postMessage = function (message) { host.postMessage(message); };
})();
)js";

std::string BrowserDataName()
{
    return platform::RunningProgramFile().filename().string() + ".WebView2";
}

wxWebView* NewWebViewInDataFolder(wxWindow* Parent)
{
    const std::string ProgramName = g_get_prgname() != nullptr ? g_get_prgname() : "";
    g_set_prgname(BrowserDataName().c_str());
    wxWebView* View = wxWebView::New(Parent, wxID_ANY);
    g_set_prgname(ProgramName.c_str());
    return View;
}

std::filesystem::path BrowserDataFolder()
{
    const char* DataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path Base;
    if (DataHome != nullptr && *DataHome != '\0')
        Base = DataHome;
    else if (const char* Home = std::getenv("HOME"); Home != nullptr && *Home != '\0')
        Base = std::filesystem::path(Home) / ".local" / "share";
    else
        return {};
    return Base / BrowserDataName();
}

class TWebKitLauncherBrowser final : public TLauncherBrowser {
public:
    explicit TWebKitLauncherBrowser(wxWindow* Parent)
    {
        FView = NewWebViewInDataFolder(Parent);
        if (FView == nullptr)
            throw std::runtime_error("the web view cannot be created");
        auto* View = static_cast<WebKitWebView*>(FView->GetNativeBackend());
        KeepWebsiteData(View);

        FContentManager = webkit_web_view_get_user_content_manager(View);
        FHandlerId = g_signal_connect(FContentManager, "script-message-received::nimbralHost",
                                      G_CALLBACK(&TWebKitLauncherBrowser::ScriptMessageReceived), this);
        webkit_user_content_manager_register_script_message_handler(FContentManager, HandlerName);
        FView->AddUserScript(PostMessageShim, wxWEBVIEW_INJECT_AT_DOCUMENT_START);

        FView->Bind(wxEVT_WEBVIEW_NAVIGATING, &TWebKitLauncherBrowser::NavigationStarting, this);
        // The engine is ready once New returns; the creation is reported from
        // the event loop, after the owner has wired its events.
        FView->CallAfter([this] {
            if (OnCreated)
                OnCreated(*this, true);
        });
    }

    ~TWebKitLauncherBrowser() override
    {
        // The view itself belongs to its parent window and may outlive us.
        webkit_user_content_manager_unregister_script_message_handler(FContentManager, HandlerName);
        g_signal_handler_disconnect(FContentManager, FHandlerId);
        FView->Unbind(wxEVT_WEBVIEW_NAVIGATING, &TWebKitLauncherBrowser::NavigationStarting, this);
    }

    wxWindow* Window() override { return FView; }
    void Navigate(const std::string& Url) override { FView->LoadURL(wxString::FromUTF8(Url)); }
    void Reload() override { FView->Reload(); }
    std::string CurrentUrl() override { return FView->GetCurrentURL().utf8_string(); }
    void DisableDefaultContextMenus() override { FView->EnableContextMenu(false); }
    // WebKitGTK shows no status bar of its own.
    void DisableStatusBar() override {}

private:
    wxWebView* FView = nullptr;
    WebKitUserContentManager* FContentManager = nullptr;
    gulong FHandlerId = 0;

    static void KeepWebsiteData(WebKitWebView* View)
    {
        const std::filesystem::path Folder = BrowserDataFolder();
        if (Folder.empty())
            return;
        std::error_code Ignored;
        std::filesystem::create_directories(Folder, Ignored);
        WebKitWebsiteDataManager* Data =
            webkit_web_context_get_website_data_manager(webkit_web_view_get_context(View));
        webkit_cookie_manager_set_persistent_storage(
            webkit_website_data_manager_get_cookie_manager(Data), (Folder / "cookies.sqlite").c_str(),
            WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    }

    static void ScriptMessageReceived(WebKitUserContentManager*, WebKitJavascriptResult* Result,
                                      gpointer Self)
    {
        auto* Browser = static_cast<TWebKitLauncherBrowser*>(Self);
        JSCValue* Value = webkit_javascript_result_get_js_value(Result);
        if (!Browser->OnWebMessage || !jsc_value_is_string(Value))
            return;
        gchar* Text = jsc_value_to_string(Value);
        const std::string Message = Text != nullptr ? Text : "";
        g_free(Text);
        Browser->OnWebMessage(Message);
    }

    void NavigationStarting(wxWebViewEvent& Event)
    {
        if (!NavigationMayStart(Event.GetURL().utf8_string()))
            Event.Veto();
    }
};

}  // namespace

std::unique_ptr<TLauncherBrowser> CreatePlatformLauncherBrowser(wxWindow* Parent)
{
    return std::make_unique<TWebKitLauncherBrowser>(Parent);
}

}  // namespace nimbral
