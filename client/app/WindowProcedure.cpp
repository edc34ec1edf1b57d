// The main window's procedure on Windows: a second start's activation
// message, broadcast to every top-level window, is the main window's alone
// and goes no further.

#include "app/FormMain.h"

namespace nimbral {

WXLRESULT TfrmMain::MSWWindowProc(WXUINT Msg, WXWPARAM WParam, WXLPARAM LParam)
{
    if (HandleWindowMessage(Msg))
        return 0;
    return wxFrame::MSWWindowProc(Msg, WParam, LParam);
}

}  // namespace nimbral
