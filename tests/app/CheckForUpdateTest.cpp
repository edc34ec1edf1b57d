// The update check as the first step of the main window's creation: a build
// older than the manifest's lowest version shows the update window, and
// however that window ends, the window's set-up stops and the program ends.
// (The test program carries no version record: it runs as "0.0.0".)

#include "support/MainWindowFixture.h"
#include "update/FormUpdate.h"

#include <wx/app.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace nimbral::test {
namespace {

class TCheckForUpdateTest : public TMainWindowFixture {
protected:
    void TearDown() override
    {
        ClearTerminationRequest();
        TMainWindowFixture::TearDown();
    }

    void Announce(const std::string& MinVersion)
    {
        Content.Answer(200, R"({"version":"1.2.0","min_version":")" + MinVersion +
                                R"(","url":"http://127.0.0.1:1/p.zip","notes":"첫 줄\n둘째 줄",)"
                                R"("released_at":"2024-05-01"})");
    }

    static TfrmUpdate* OpenUpdateWindow()
    {
        for (wxWindow* W : wxTopLevelWindows) {
            if (auto* Form = dynamic_cast<TfrmUpdate*>(W); Form != nullptr && Form->IsModal())
                return Form;
        }
        return nullptr;
    }
};

TEST_F(TCheckForUpdateTest, ClosingTheUpdateWindowEndsTheProgramBeforeAnySetUp)
{
    Announce("1.1.0");
    std::string VersionLine;
    std::string Notes;
    int ClosesAsked = 0;
    // Runs inside the update window's modal loop.
    wxTheApp->CallAfter([&] {
        TfrmUpdate* Update = OpenUpdateWindow();
        ASSERT_NE(Update, nullptr);
        VersionLine = Update->lblVersion->GetLabel().utf8_string();
        Notes = Update->memoNotes->GetValue().utf8_string();
        ++ClosesAsked;
        Update->Close();
    });
    TfrmMain& F = Open();
    EXPECT_EQ(ClosesAsked, 1);
    EXPECT_EQ(VersionLine, "새 버전: 1.2.0   (배포일: 2024-05-01)");
    EXPECT_EQ(Notes, "첫 줄\n둘째 줄");
    EXPECT_TRUE(TerminationRequested());
    EXPECT_EQ(F.FApiClient, nullptr);
    EXPECT_EQ(Browser, nullptr);
    EXPECT_EQ(F.GetTitle(), "");
    // The update window is gone with the check.
    EXPECT_EQ(OpenUpdateWindow(), nullptr);
    ASSERT_EQ(Content.Requests().size(), 1u);
    EXPECT_EQ(Content.Last().Path, "/client/version.json");
}

TEST_F(TCheckForUpdateTest, ABuildAtTheLowestVersionStartsWithoutAWindow)
{
    Announce("0.0.0");
    TDialogAnswers Dialogs;
    TfrmMain& F = Open();
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_FALSE(TerminationRequested());
    EXPECT_NE(F.FApiClient, nullptr);
    EXPECT_NE(Browser, nullptr);
}

}  // namespace
}  // namespace nimbral::test
