// Panels made into buttons: colours under the mouse, the disabled look, and
// the registry's life.

#include "support/GuiTest.h"
#include "theme/CaptionPanel.h"
#include "theme/DarkTheme.h"

#include <wx/frame.h>

#include <gtest/gtest.h>

namespace nimbral::test {
namespace {

const wxColour Red(0xC0, 0x36, 0x36);
const wxColour Hover(0xD6, 0x40, 0x40);

class TDarkThemeTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "theme");
        Panel = new TCaptionPanel(Frame, "연결 해제", wxSize(180, 42));
    }
    void TearDown() override
    {
        TDarkThemeHelper::Initialize();
        Frame->Destroy();
        PumpFor(std::chrono::milliseconds(10));
    }

    void Mouse(wxEventType Type)
    {
        wxMouseEvent Event(Type);
        Event.SetEventObject(Panel);
        Panel->ProcessWindowEvent(Event);
    }

    wxFrame* Frame = nullptr;
    TCaptionPanel* Panel = nullptr;
};

TEST_F(TDarkThemeTest, AButtonPanelChangesColourUnderTheMouse)
{
    TDarkThemeHelper::SetupButtonPanel(Panel, Red, Hover, *wxWHITE, 13);
    EXPECT_EQ(Panel->GetBackgroundColour(), Red);
    EXPECT_EQ(Panel->GetForegroundColour(), *wxWHITE);
    EXPECT_EQ(Panel->GetFont().GetPointSize(), 13);
    EXPECT_EQ(Panel->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);

    const std::pair<wxEventType, wxColour> Steps[] = {
        {wxEVT_ENTER_WINDOW, Hover}, {wxEVT_LEAVE_WINDOW, Red}, {wxEVT_ENTER_WINDOW, Hover}};
    for (const auto& [Type, Colour] : Steps) {
        Mouse(Type);
        EXPECT_EQ(Panel->GetBackgroundColour(), Colour);
    }
}

TEST_F(TDarkThemeTest, SettingUpTwiceKeepsOnlyTheSecondPair)
{
    TDarkThemeHelper::SetupButtonPanel(Panel, Red, Hover, *wxWHITE, 13);
    const wxColour Blue(0x20, 0x40, 0xA0), LightBlue(0x30, 0x60, 0xC0);
    TDarkThemeHelper::SetupButtonPanel(Panel, Blue, LightBlue, *wxBLACK, 10);
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(Panel->GetBackgroundColour(), LightBlue);
    Mouse(wxEVT_LEAVE_WINDOW);
    EXPECT_EQ(Panel->GetBackgroundColour(), Blue);
}

TEST_F(TDarkThemeTest, ADisabledButtonIgnoresTheMouseAndReEnablingMakesItsTextWhite)
{
    TDarkThemeHelper::SetupButtonPanel(Panel, Red, Hover, wxColour(0x10, 0x10, 0x10), 13);
    TDarkThemeHelper::SetButtonEnabled(Panel, false, Red);
    EXPECT_EQ(Panel->GetBackgroundColour(), wxColour(0x33, 0x33, 0x33));
    EXPECT_EQ(Panel->GetForegroundColour(), wxColour(0x55, 0x55, 0x55));
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(Panel->GetBackgroundColour(), wxColour(0x33, 0x33, 0x33));

    TDarkThemeHelper::SetButtonEnabled(Panel, true, Red);
    EXPECT_EQ(Panel->GetBackgroundColour(), Red);
    EXPECT_EQ(Panel->GetForegroundColour(), *wxWHITE);
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(Panel->GetBackgroundColour(), Hover);
}

TEST_F(TDarkThemeTest, PanelsNeverSetUpOrOutlivingTheRegistryStayAsTheyAre)
{
    TCaptionPanel* Plain = new TCaptionPanel(Frame, "plain");
    Plain->SetBackgroundColour(Red);
    TDarkThemeHelper::SetupButtonPanel(Panel, Red, Hover, *wxWHITE, 13);
    // Handlers of a set-up panel, fired for another one, find no pair.
    wxMouseEvent Stray(wxEVT_ENTER_WINDOW);
    Stray.SetEventObject(Plain);
    Panel->ProcessWindowEvent(Stray);
    EXPECT_EQ(Plain->GetBackgroundColour(), Red);

    TDarkThemeHelper::Finalize();
    Mouse(wxEVT_ENTER_WINDOW);
    EXPECT_EQ(Panel->GetBackgroundColour(), Red);
}

}  // namespace
}  // namespace nimbral::test
