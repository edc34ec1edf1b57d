// The session overlay: its controls, the status text the flags give, the
// centring rule, the spinner, re-centring on resize and the disconnect
// button.

#include "session/CircleShape.h"
#include "session/SessionFixture.h"
#include "theme/CaptionPanel.h"

namespace nimbral::test {
namespace {

using TSessionOverlayTest = TSessionFixture;

const wxColour Dot(0xE0, 0xE0, 0xE0);
const wxColour Lit(0x76, 0xB9, 0x00);

void ExpectFont(wxWindow* Control, int Points, wxFontWeight Weight, const wxColour& Colour)
{
    EXPECT_EQ(Control->GetFont().GetPointSize(), Points);
    EXPECT_EQ(Control->GetFont().GetWeight(), Weight);
    EXPECT_EQ(Control->GetForegroundColour(), Colour);
}

TEST_F(TSessionOverlayTest, TheOverlayIsBuiltHiddenOverThePage)
{
    TfrmMain& F = Open();
    wxPanel* O = F.pnlSessionOverlay;
    ASSERT_NE(O, nullptr);
    EXPECT_EQ(O->GetParent(), F.pnlPagePcBang);
    EXPECT_FALSE(O->IsShown());
    EXPECT_EQ(O->GetSize(), F.pnlPagePcBang->GetClientSize());
    EXPECT_EQ(O->GetBackgroundColour(), wxColour(0xF5, 0xF5, 0xF5));
    for (TCircleShape* D : F.FSpinnerDots) {
        EXPECT_EQ(D->GetParent(), O);
        EXPECT_EQ(D->GetSize(), wxSize(14, 14));
        EXPECT_EQ(D->Fill(), Dot);
    }
    EXPECT_EQ(F.lblOverlayStatus->GetLabel(), "");
    ExpectFont(F.lblOverlayStatus, 16, wxFONTWEIGHT_BOLD, wxColour(0x33, 0x33, 0x33));
    EXPECT_EQ(F.lblOverlayDetail->GetLabel(), "");
    ExpectFont(F.lblOverlayDetail, 10, wxFONTWEIGHT_NORMAL, wxColour(0x88, 0x88, 0x88));
    EXPECT_EQ(F.lblOverlayHint->GetLabel().utf8_string(), "원격 종료 시 Ctrl + Alt + Shift + Q를 눌러주세요.");
    ExpectFont(F.lblOverlayHint, 11, wxFONTWEIGHT_BOLD, wxColour(0x8B, 0xC3, 0x4A));

    TCaptionPanel* B = F.pnlBtnOverlayDisconnect;
    EXPECT_EQ(B->GetParent(), O);
    EXPECT_EQ(B->GetSize(), wxSize(180, 42));
    EXPECT_EQ(B->Caption().utf8_string(), "연결 해제");
    EXPECT_EQ(B->GetBackgroundColour(), wxColour(0xC0, 0x36, 0x36));
    ExpectFont(B, 13, wxFONTWEIGHT_BOLD, wxColour(0xFF, 0xFF, 0xFF));

    EXPECT_EQ(F.tmrSpinner.IntervalMs(), 350);
    EXPECT_FALSE(F.tmrSpinner.Enabled());
    EXPECT_EQ(F.FSpinnerIndex, 0);
    EXPECT_EQ(F.tmrRemoteLaunch.IntervalMs(), 2500);
    EXPECT_FALSE(F.tmrRemoteLaunch.Enabled());
}

TEST_F(TSessionOverlayTest, TheStatusFollowsTheFlags)
{
    const struct {
        bool Session;
        bool Viewer;
        std::string SessionStatus;
        std::string PcName;
        std::string Status;  // empty: overlay hidden
        std::string Detail;
    } Cases[] = {
        {true, true, "pending", "서울-01", "스트리밍 중", "PC: 서울-01"},
        {true, true, "", "", "스트리밍 중", "PC: "},
        {true, false, "active", "서울-01", "연결 중...", "PC: 서울-01"},
        {true, false, "Active", "서울-01", "대기 중...", "PC: 서울-01"},
        {true, false, "", "서울-01", "대기 중...", "PC: 서울-01"},
        {false, true, "active", "서울-01", "", ""},
    };
    TfrmMain& F = Open();
    for (const auto& C : Cases) {
        F.FHasActiveSession = C.Session;
        F.FRemoteViewerActive = C.Viewer;
        F.FCurrentSession.Status = C.SessionStatus;
        F.FCurrentSession.PcName = C.PcName;
        F.UpdateSessionOverlay();
        EXPECT_EQ(OverlayShown(), !C.Status.empty()) << C.Status;
        EXPECT_EQ(Browser->Window()->IsShown(), C.Status.empty()) << C.Status;
        EXPECT_EQ(F.tmrSpinner.Enabled(), !C.Status.empty()) << C.Status;
        if (!C.Status.empty()) {
            EXPECT_EQ(Status(), C.Status);
            EXPECT_EQ(F.lblOverlayDetail->GetLabel().utf8_string(), C.Detail);
        }
    }
}

// The height of the centred block: dots, labels, button and the gaps.
int BlockHeight(TfrmMain& F)
{
    return 14 + F.lblOverlayStatus->GetSize().y + F.lblOverlayDetail->GetSize().y +
           F.lblOverlayHint->GetSize().y + 42 + 76;
}

// Where the rule puts everything for an overlay of W x H.
void ExpectCentred(TfrmMain& F, int W, int H)
{
    const int Cx = W / 2;
    const int Cy = H / 2;
    const int StatusH = F.lblOverlayStatus->GetSize().y;
    const int DetailH = F.lblOverlayDetail->GetSize().y;
    const int HintH = F.lblOverlayHint->GetSize().y;
    const int Top = Cy - BlockHeight(F) / 2;
    EXPECT_EQ(F.FSpinnerDots[0]->GetRect(), wxRect(Cx - 24, Top, 14, 14));
    EXPECT_EQ(F.FSpinnerDots[1]->GetRect(), wxRect(Cx - 7, Top, 14, 14));
    EXPECT_EQ(F.FSpinnerDots[2]->GetRect(), wxRect(Cx + 10, Top, 14, 14));
    const auto Left = [Cx](wxWindow* C) { return Cx - C->GetSize().x / 2; };
    int Y = Top + 34;
    EXPECT_EQ(F.lblOverlayStatus->GetPosition(), wxPoint(Left(F.lblOverlayStatus), Y));
    Y += StatusH + 10;
    EXPECT_EQ(F.lblOverlayDetail->GetPosition(), wxPoint(Left(F.lblOverlayDetail), Y));
    Y += DetailH + 16;
    EXPECT_EQ(F.lblOverlayHint->GetPosition(), wxPoint(Left(F.lblOverlayHint), Y));
    Y += HintH + 30;
    EXPECT_EQ(F.pnlBtnOverlayDisconnect->GetPosition(), wxPoint(Cx - 90, Y));
    // The whole block sits in the middle, give or take the halving.
    const int Bottom = F.pnlBtnOverlayDisconnect->GetRect().GetBottom() + 1;
    EXPECT_LE(std::abs((Top - 0) - (H - Bottom)), 2);
}

TEST_F(TSessionOverlayTest, TheBlockIsCentredByTheRuleAndFollowsResizesOnlyWhileShown)
{
    TfrmMain& F = Open();
    F.FHasActiveSession = true;
    F.FCurrentSession.PcName = "서울-01";
    F.UpdateSessionOverlay();
    // The last is a little lower than the block, whose top then lands on -1.
    for (const wxSize Size : {wxSize(928, 602), wxSize(801, 555), wxSize(300, BlockHeight(F) - 2)}) {
        F.pnlSessionOverlay->SetSize(Size);
        ExpectCentred(F, Size.x, Size.y);
    }

    F.FHasActiveSession = false;
    F.UpdateSessionOverlay();
    F.pnlSessionOverlay->SetSize(wxSize(500, 400));
    EXPECT_EQ(F.FSpinnerDots[0]->GetPosition().x, 300 / 2 - 24);  // left where it was

    F.FHasActiveSession = true;
    F.UpdateSessionOverlay();
    ExpectCentred(F, 500, 400);
}

TEST_F(TSessionOverlayTest, TheSpinnerLightsOneDotAtATimeFromLeftToRight)
{
    TfrmMain& F = Open();
    for (int Tick = 0; Tick < 4; ++Tick) {
        F.tmrSpinnerTimer();
        for (int I = 0; I < 3; ++I)
            EXPECT_EQ(F.FSpinnerDots[I]->Fill(), I == Tick % 3 ? Lit : Dot) << Tick << " " << I;
        EXPECT_EQ(F.FSpinnerIndex, (Tick + 1) % 3);
    }
}

TEST_F(TSessionOverlayTest, ClickingTheDisconnectButtonAsksFirst)
{
    TfrmMain& F = SignedIn();
    F.FHasActiveSession = true;
    F.FCurrentSession.Id = 41;
    AnswerBoxes({wxID_NO});
    wxMouseEvent Click(wxEVT_LEFT_UP);
    Click.SetEventObject(F.pnlBtnOverlayDisconnect);
    F.pnlBtnOverlayDisconnect->ProcessWindowEvent(Click);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"정말 연결을 해제하시겠습니까?"});
    EXPECT_TRUE(F.FHasActiveSession);
    EXPECT_TRUE(Api.Requests().empty());
}

}  // namespace
}  // namespace nimbral::test
