// The platform's browser of a Windows build whose wx has no Edge back end
// (the cross build): the launcher page behaves as on a machine without the
// WebView2 runtime. wx's IE back end is never used for the page.

#include "launcher/LauncherBrowser.h"

namespace nimbral {

std::unique_ptr<TLauncherBrowser> CreatePlatformLauncherBrowser(wxWindow* Parent)
{
    return CreateLauncherBrowserWithoutEngine(Parent);
}

}  // namespace nimbral
