// The stand-in viewer as a user meets it: its window quits with exit code 0
// on Ctrl+Alt+Shift+Q, typed on the display it shows on.

#include "platform/ChildProcess.h"
#include "support/GuiTest.h"

#include <wx/frame.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace nimbral::test {
namespace {

TEST(StandInViewer, TheKeyChordQuitsItWithExitCodeZero)
{
    // The simulator asks the window of ours under the pointer for the
    // display's scale: one lies below where the viewer's window will open.
    auto* Ours = new wxFrame(nullptr, wxID_ANY, "below", wxPoint(0, 0), wxSize(200, 200));
    Ours->Show();
    PumpFor(std::chrono::milliseconds(100));

    const std::filesystem::path Dir = std::filesystem::temp_directory_path();
    platform::TChildProcess::TStart Started =
        platform::TChildProcess::Start({NIMBRAL_STAND_IN_VIEWER, "stream", "10.0.0.5", "Desktop"}, Dir);
    ASSERT_TRUE(Started.Process.IsOpen()) << Started.ErrorText;
    platform::TChildProcess& Viewer = Started.Process;

    // Without a window manager the keyboard follows the pointer: the chord is
    // typed over the viewer's window (at the top left) until it has shown.
    wxUIActionSimulator Keys;
    Keys.MouseMove(100, 100);
    const bool Quit = PumpUntil(
        [&] {
            if (Viewer.ExitCode() != platform::StillActive)
                return true;
            Keys.Char('Q', wxMOD_CONTROL | wxMOD_ALT | wxMOD_SHIFT);
            PumpFor(std::chrono::milliseconds(200));
            return false;
        },
        std::chrono::seconds(10));
    Ours->Destroy();
    if (!Quit)
        Viewer.Terminate(0);
    ASSERT_TRUE(Quit);
    EXPECT_EQ(Viewer.ExitCode(), 0u);
}

}  // namespace
}  // namespace nimbral::test
