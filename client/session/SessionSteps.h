#pragma once
// Steps the session code shares. A session change runs several of them in a
// row (disconnect, user refresh, page reload, overlay): a failure of one is
// logged and the others still run, so the window never keeps the overlay of
// a session that has ended.

namespace nimbral {

class TfrmMain;

// GetMe into FUser; a malformed answer is logged as "GetMe failed: ".
void RefreshUser(TfrmMain& Form);

// ReloadLauncherPage; a failed fallback navigation is logged.
void ReloadAfterSessionChange(TfrmMain& Form);

}  // namespace nimbral
