// The launcher browser on Windows: wxWebView on the Edge (WebView2) engine.
// Built only where wx has its Edge back end, which needs the WebView2 SDK;
// it therefore needs a Windows developer's build and runner to be tried.
//
// Messages are taken from the engine itself with TryGetWebMessageAsString,
// which fails for anything the page posted other than a string; wx's own
// script-message event would turn an object into JSON text. wx 3.2 reports no
// end of the engine's asynchronous creation: the engine exists once the first
// navigation starts (the launch page requested before it is loaded by it), so
// that is where the message handler is attached and the creation reported.

#include "launcher/LauncherBrowser.h"

#include <wx/msw/webview_edge.h>
#include <wx/webview.h>

#include <WebView2.h>
#include <objbase.h>

#include <atomic>
#include <string>

namespace nimbral {

namespace {

std::string Utf8(const wchar_t* Text)
{
    return Text == nullptr ? std::string() : wxString(Text).utf8_string();
}

class TEdgeLauncherBrowser;

// The engine's callback for received web messages, a plain COM object.
class TWebMessageHandler final : public ICoreWebView2WebMessageReceivedEventHandler {
public:
    explicit TWebMessageHandler(TEdgeLauncherBrowser& Owner) : FOwner(Owner) {}

    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG Refs = --FRefs;
        if (Refs == 0)
            delete this;
        return Refs;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Id, void** Object) override
    {
        if (Id == IID_IUnknown || Id == IID_ICoreWebView2WebMessageReceivedEventHandler) {
            *Object = static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(this);
            AddRef();
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* Args) override;

private:
    TEdgeLauncherBrowser& FOwner;
    std::atomic<ULONG> FRefs{1};
};

class TEdgeLauncherBrowser final : public TLauncherBrowser {
public:
    explicit TEdgeLauncherBrowser(wxWindow* Parent)
        : FView(wxWebView::New(Parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                               wxWebViewBackendEdge))
    {
        FView->Bind(wxEVT_WEBVIEW_NAVIGATING, &TEdgeLauncherBrowser::NavigationStarting, this);
    }

    ~TEdgeLauncherBrowser() override
    {
        if (FCore != nullptr)
            FCore->remove_WebMessageReceived(FMessageToken);
        FView->Unbind(wxEVT_WEBVIEW_NAVIGATING, &TEdgeLauncherBrowser::NavigationStarting, this);
    }

    wxWindow* Window() override { return FView; }
    void Navigate(const std::string& Url) override { FView->LoadURL(wxString::FromUTF8(Url)); }
    void Reload() override { FView->Reload(); }
    std::string CurrentUrl() override { return FView->GetCurrentURL().utf8_string(); }
    void DisableDefaultContextMenus() override { FView->EnableContextMenu(false); }
    void DisableStatusBar() override
    {
        ICoreWebView2Settings* Settings = nullptr;
        if (FCore != nullptr && SUCCEEDED(FCore->get_Settings(&Settings)) && Settings != nullptr) {
            Settings->put_IsStatusBarEnabled(FALSE);
            Settings->Release();
        }
    }

    void Deliver(const std::string& Text)
    {
        if (OnWebMessage)
            OnWebMessage(Text);
    }

private:
    wxWebView* FView;
    ICoreWebView2* FCore = nullptr;
    EventRegistrationToken FMessageToken{};

    void AttachToEngine()
    {
        if (FCore != nullptr)
            return;
        FCore = static_cast<ICoreWebView2*>(FView->GetNativeBackend());
        if (FCore == nullptr)
            return;
        auto* Handler = new TWebMessageHandler(*this);
        FCore->add_WebMessageReceived(Handler, &FMessageToken);
        Handler->Release();
        if (OnCreated)
            OnCreated(*this, true);
    }

    void NavigationStarting(wxWebViewEvent& Event)
    {
        AttachToEngine();
        if (!NavigationMayStart(Event.GetURL().utf8_string()))
            Event.Veto();
    }
};

HRESULT TWebMessageHandler::Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* Args)
{
    LPWSTR Text = nullptr;
    // Fails for a message that was not posted as a string: such a message
    // reads as empty and is dropped by the host.
    const HRESULT Result = Args->TryGetWebMessageAsString(&Text);
    const std::string Message = SUCCEEDED(Result) ? Utf8(Text) : std::string();
    if (Text != nullptr)
        CoTaskMemFree(Text);
    FOwner.Deliver(Message);
    return S_OK;
}

}  // namespace

std::unique_ptr<TLauncherBrowser> CreatePlatformLauncherBrowser(wxWindow* Parent)
{
    // No runtime or loader on this machine.
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendEdge))
        return CreateLauncherBrowserWithoutEngine(Parent);
    return std::make_unique<TEdgeLauncherBrowser>(Parent);
}

}  // namespace nimbral
