#pragma once
// The launcher page's browser as the main window sees it: navigate, reload,
// the current address, two settings, and three events. The main window owns
// one through this interface, so the platform's engine (WebKitGTK here, the
// Edge engine on Windows) sits behind a factory and GUI tests can hand the
// window a stand-in that records what it was asked to do.

#include <functional>
#include <memory>
#include <string>

class wxWindow;

namespace nimbral {

// A top-level navigation about to start (links, scripts, programmatic loads
// and the target of a server redirect). Setting Cancel stops it.
struct TNavigationStartingArgs {
    std::string Url;
    bool Cancel = false;
};

class TLauncherBrowser {
public:
    virtual ~TLauncherBrowser() = default;

    // The control to lay out; owned by the parent it was created in.
    virtual wxWindow* Window() = 0;

    // Raise std::exception when the engine refuses.
    virtual void Navigate(const std::string& Url) = 0;
    virtual void Reload() = 0;
    // The address of the page shown, as the engine reports it.
    virtual std::string CurrentUrl() = 0;

    virtual void DisableDefaultContextMenus() = 0;
    virtual void DisableStatusBar() = 0;

    // Events, raised on the UI thread. OnWebMessage receives only messages
    // that the page posted as strings; anything else never arrives.
    // OnCreated reports the end of the engine's creation, after the factory
    // has returned (so the owner can wire the events first).
    std::function<void(const std::string& Text)> OnWebMessage;
    std::function<void(TNavigationStartingArgs& Args)> OnNavigationStarting;
    std::function<void(TLauncherBrowser& Sender, bool Succeeded)> OnCreated;

protected:
    // For adapters: raises OnNavigationStarting for Url; false when the
    // navigation was cancelled.
    bool NavigationMayStart(const std::string& Url)
    {
        if (!OnNavigationStarting)
            return true;
        TNavigationStartingArgs Args;
        Args.Url = Url;
        OnNavigationStarting(Args);
        return !Args.Cancel;
    }
};

using TLauncherBrowserFactory = std::function<std::unique_ptr<TLauncherBrowser>(wxWindow* Parent)>;

// The platform's browser engine.
std::unique_ptr<TLauncherBrowser> CreatePlatformLauncherBrowser(wxWindow* Parent);

// Windows without the engine: an empty page area whose creation is reported
// as failed from the event loop; navigating and reloading raise.
std::unique_ptr<TLauncherBrowser> CreateLauncherBrowserWithoutEngine(wxWindow* Parent);

}  // namespace nimbral
