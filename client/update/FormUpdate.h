#pragma once
// TfrmUpdate: the small dark dialog of the forced update. It shows the new
// version, its release date and notes, and when its only button is pressed
// runs the installation sequence on the UI thread, showing each step and the
// download progress. The dialog is built in code; the engine it drives
// (update/UpdateInstall.h) knows nothing of it.

#include "update/Updater.h"

#include <wx/dialog.h>

#include <chrono>
#include <cstdint>
#include <string>

class wxButton;
class wxGauge;
class wxPanel;
class wxStaticText;
class wxTextCtrl;

namespace nimbral {

class TfrmUpdate : public wxDialog {
public:
    // Builds the layout, hidden, with an empty status line, the bar at 0 and
    // the button enabled. Env says where the update installs itself; the
    // program passes the default (the running program, the user's temporary
    // folder, the platform's file operations).
    explicit TfrmUpdate(wxWindow* Owner, TUpdateEnvironment Env = {});

    void ApplyInfo(const TUpdateInfo& Info);

    // The click handler of btnUpdate: runs the installation. Errors raised
    // before the sequence's guarded steps (a version text that cannot be
    // part of a file name) leave it, with the button still disabled, for the
    // program's top-level error report.
    void HandleUpdateClick();

    // Shows Text in the status line, paints it at once and lets pending
    // events run, so the window is current and responsive while the caller
    // works on.
    void SetStatus(const std::string& Text);
    // The download's progress target: the bar and the status line at every
    // report, painted at once at most every 50 ms and at the last report.
    void HandleProgress(std::int64_t Received, std::int64_t Total);
    static std::string FormatSize(std::int64_t Bytes);

    // A close request while modal is granted with Cancel; one that arrives
    // while the sequence runs only records Cancel, and the window closes when
    // the sequence is over. The window is never destroyed here: its creator
    // does that, once.
    void HandleCloseQuery(bool& CanClose);
    void HandleClose();

    // --- state, readable by tests --------------------------------------------
    TUpdateInfo FInfo;
    wxPanel* pnlHeader = nullptr;
    wxStaticText* lblTitle = nullptr;
    wxStaticText* lblVersion = nullptr;
    wxTextCtrl* memoNotes = nullptr;
    wxPanel* pnlBody = nullptr;
    wxStaticText* lblStatus = nullptr;
    wxGauge* pbar = nullptr;
    wxPanel* pnlFooter = nullptr;
    wxButton* btnUpdate = nullptr;

private:
    TUpdateEnvironment FEnv;
    bool FInstalling = false;  // the sequence runs (inside HandleUpdateClick)
    std::chrono::steady_clock::time_point FLastPaint;

    void ShowStatus(const std::string& Text, bool PaintNow);
    void BuildLayout();
    void LayoutControls();
    void FormClose(wxCloseEvent& Event);
};

}  // namespace nimbral
