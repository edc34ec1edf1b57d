// TEMPORARY: replaced by the session flow and the update window.
#include "app/FormMain.h"
namespace nimbral {
void TfrmMain::BuildSessionOverlay() {}
void TfrmMain::ConnectToPc(std::int32_t, const std::string&) {}
void TfrmMain::CheckCurrentSession() {}
void TfrmMain::EndActiveSession() {}
void TfrmMain::TerminateRemoteProcess() {}
void TfrmMain::UpdateSessionOverlay() {}
void TfrmMain::LayoutSessionOverlay() {}
void TfrmMain::ResumeRemoteViewer() {}
void TfrmMain::btnDisconnectClick() {}
void TfrmMain::tmrRefreshTimer() {}
void TfrmMain::tmrRemoteLaunchTimer() {}
void TfrmMain::tmrSpinnerTimer() {}
}
