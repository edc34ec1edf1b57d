#pragma once
// A stand-in for the launcher page's browser: a plain panel that records what
// the window asked of it, can be told to fail, and lets a test raise the
// browser's events as the page would.

#include "launcher/LauncherBrowser.h"

#include <wx/panel.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace nimbral::test {

class TFakeLauncherBrowser final : public TLauncherBrowser {
public:
    explicit TFakeLauncherBrowser(wxWindow* Parent) : FPanel(new wxPanel(Parent)) {}

    wxWindow* Window() override { return FPanel; }
    void Navigate(const std::string& Url) override
    {
        if (FailNavigate)
            throw std::runtime_error("navigation refused");
        Navigations.push_back(Url);
        Current = Url;
    }
    void Reload() override
    {
        if (FailReload)
            throw std::runtime_error("no engine to reload");
        ++Reloads;
    }
    std::string CurrentUrl() override { return Current; }
    void DisableDefaultContextMenus() override { ContextMenusOff = true; }
    void DisableStatusBar() override { StatusBarOff = true; }

    // The page's side.
    void PostWebMessage(const std::string& Text) { OnWebMessage(Text); }
    bool NavigateFromPage(const std::string& Url)
    {
        TNavigationStartingArgs Args{Url};
        OnNavigationStarting(Args);
        if (!Args.Cancel)
            Current = Url;
        return !Args.Cancel;
    }
    void FinishCreation(bool Succeeded) { OnCreated(*this, Succeeded); }

    std::vector<std::string> Navigations;
    int Reloads = 0;
    std::string Current;
    bool FailNavigate = false;
    bool FailReload = false;
    bool ContextMenusOff = false;
    bool StatusBarOff = false;

private:
    wxPanel* FPanel;
};

}  // namespace nimbral::test
