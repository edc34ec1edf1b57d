// The launcher browser of a Windows machine without the browser engine (no
// WebView2 runtime, or a build whose wx has no Edge back end): the page area
// stays empty, the creation is reported as failed once the owner has wired
// its events, and nothing is tried again.

#include "launcher/LauncherBrowser.h"

#include <wx/window.h>

#include <memory>
#include <stdexcept>

namespace nimbral {

namespace {

class TNoEngineLauncherBrowser final : public TLauncherBrowser {
public:
    explicit TNoEngineLauncherBrowser(wxWindow* Parent) : FArea(new wxWindow(Parent, wxID_ANY))
    {
        // The area belongs to its parent and may outlive this object: the
        // report queued on it must not reach a destroyed browser.
        FArea->CallAfter([this, Alive = std::weak_ptr<bool>(FAlive)] {
            if (!Alive.expired() && OnCreated)
                OnCreated(*this, false);
        });
    }

    wxWindow* Window() override { return FArea; }
    void Navigate(const std::string&) override { throw std::runtime_error("the browser engine is not available"); }
    void Reload() override { throw std::runtime_error("the browser engine is not available"); }
    std::string CurrentUrl() override { return {}; }
    void DisableDefaultContextMenus() override {}
    void DisableStatusBar() override {}

private:
    wxWindow* FArea;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace

std::unique_ptr<TLauncherBrowser> CreateLauncherBrowserWithoutEngine(wxWindow* Parent)
{
    return std::make_unique<TNoEngineLauncherBrowser>(Parent);
}

}  // namespace nimbral
