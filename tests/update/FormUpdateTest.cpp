// The update window under a virtual display: its layout, the texts it makes
// of sizes and progress, the installation sequence against a local server
// (with the start of the new build behind the seam), the Enter key and close
// requests while it is modal.

#include "update/FormUpdate.h"
#include "update/ProgramLifetime.h"
#include "update/UpdateInstall.h"

#include "UpdateTestSupport.h"
#include "ZipTestSupport.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include <atomic>

namespace nimbral::test {
namespace {

namespace fs = std::filesystem;

std::string Text(const wxStaticText* Label) { return Label->GetLabel().utf8_string(); }

class TFormUpdateTest : public testing::Test {
protected:
    TTestServer FServer;
    TTempDir FTmp;
    fs::path FProgramDir = FTmp / "program";
    std::vector<fs::path> FStarted;
    TfrmUpdate FForm{nullptr, Environment()};
    // Package requests answered so far; the handler runs on the server's thread.
    std::atomic<int> FPackageRequests{0};

    TFormUpdateTest()
    {
        ClearTerminationRequest();
        WriteFile(FProgramDir / "NimbralClient", "old build");
        fs::create_directories(FTmp / "temp");
    }
    ~TFormUpdateTest() override { ClearTerminationRequest(); }

    TUpdateEnvironment Environment()
    {
        TUpdateEnvironment Env{FProgramDir / "NimbralClient", FTmp / "temp", {}};
        Env.Ops.Start = [this](const fs::path& Program, const fs::path&) {
            FStarted.push_back(Program);
            return true;
        };
        return Env;
    }

    std::string Package(const std::vector<TZipEntry>& Entries)
    {
        MakeStoredZip(FTmp / "made.zip", Entries);
        return ReadFile(FTmp / "made.zip");
    }

    // Serves Bytes at /package.zip (404 everywhere else) and shows the
    // manifest that points at it.
    void Serve(const std::string& Bytes, const std::string& Sha256 = "")
    {
        FServer.SetHandler([this, Bytes](const httplib::Request& Req, httplib::Response& Res) {
            if (Req.path != "/package.zip") {
                Res.status = 404;
                return;
            }
            ++FPackageRequests;
            Res.set_content(Bytes, "application/zip");
        });
        TUpdateInfo Info;
        Info.Version = "1.2.0";
        Info.MinVersion = "1.2.0";
        Info.Url = FServer.Origin() + "/package.zip";
        Info.Sha256 = Sha256;
        FForm.ApplyInfo(Info);
    }

    // Shows the window modally with Action queued to run inside its loop; a
    // window left open after 20 s is closed, so a failing test ends.
    int ShowModalWith(std::function<void()> Action)
    {
        wxTimer Guard;
        Guard.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { FForm.EndModal(-1); });
        Guard.StartOnce(20000);
        FForm.CallAfter(std::move(Action));
        return FForm.ShowModal();
    }
};

TEST_F(TFormUpdateTest, TheLayoutIsBuiltInCode)
{
    EXPECT_EQ(FForm.GetTitle().utf8_string(), "Nimbral 업데이트");
    EXPECT_EQ(FForm.GetClientSize(), wxSize(480, 360));
    EXPECT_FALSE(FForm.HasFlag(wxCLOSE_BOX) || FForm.HasFlag(wxSYSTEM_MENU) || FForm.HasFlag(wxRESIZE_BORDER));
    EXPECT_EQ(FForm.GetBackgroundColour(), wxColour(0x1F, 0x1F, 0x1F));
    EXPECT_FALSE(FForm.IsShown());

    struct TPlace {
        const char* Name;
        wxWindow* Control;
        wxRect Rect;  // in its parent's client area
        wxWindow* Parent;
    };
    const TPlace Places[] = {
        {"pnlHeader", FForm.pnlHeader, {0, 0, 480, 80}, &FForm},
        {"lblTitle", FForm.lblTitle, {20, 18, 440, 24}, FForm.pnlHeader},
        {"lblVersion", FForm.lblVersion, {20, 46, 440, 18}, FForm.pnlHeader},
        {"pnlBody", FForm.pnlBody, {20, 80, 440, 216}, &FForm},
        {"memoNotes", FForm.memoNotes, {0, 0, 440, 156}, FForm.pnlBody},
        {"lblStatus", FForm.lblStatus, {0, 160, 440, 16}, FForm.pnlBody},
        {"pbar", FForm.pbar, {0, 180, 440, 14}, FForm.pnlBody},
        {"pnlFooter", FForm.pnlFooter, {0, 296, 480, 64}, &FForm},
        {"btnUpdate", FForm.btnUpdate, {320, 16, 140, 32}, FForm.pnlFooter},
    };
    for (const TPlace& P : Places) {
        SCOPED_TRACE(P.Name);
        EXPECT_EQ(P.Control->GetRect(), P.Rect);
        EXPECT_EQ(P.Control->GetParent(), P.Parent);
    }

    struct TLook {
        const char* Name;
        wxWindow* Control;
        wxColour Back;  // invalid: not checked
        wxColour Fore;
        int Points;
    };
    const wxColour None;
    const TLook Looks[] = {
        {"pnlHeader", FForm.pnlHeader, {0x1F, 0x1F, 0x1F}, None, 0},
        {"pnlBody", FForm.pnlBody, {0x1F, 0x1F, 0x1F}, None, 0},
        {"pnlFooter", FForm.pnlFooter, {0x1F, 0x1F, 0x1F}, None, 0},
        {"lblTitle", FForm.lblTitle, None, {0xFF, 0xFF, 0xFF}, 13},
        {"lblVersion", FForm.lblVersion, None, {0xA0, 0xA0, 0xA0}, 9},
        {"lblStatus", FForm.lblStatus, None, {0xA0, 0xA0, 0xA0}, 9},
        {"memoNotes", FForm.memoNotes, {0x2A, 0x2A, 0x2A}, {0xD0, 0xD0, 0xD0}, 9},
    };
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Name);
        if (L.Back.IsOk()) {
            EXPECT_EQ(L.Control->GetBackgroundColour(), L.Back);
        }
        if (L.Fore.IsOk()) {
            EXPECT_EQ(L.Control->GetForegroundColour(), L.Fore);
        }
        if (L.Points != 0) {
            EXPECT_EQ(L.Control->GetFont().GetPointSize(), L.Points);
        }
    }
    EXPECT_EQ(FForm.lblTitle->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);

    EXPECT_EQ(Text(FForm.lblTitle), "새 버전이 출시되었습니다");
    EXPECT_EQ(Text(FForm.lblVersion), "");
    EXPECT_EQ(Text(FForm.lblStatus), "");
    EXPECT_TRUE(FForm.memoNotes->IsMultiLine());
    EXPECT_FALSE(FForm.memoNotes->IsEditable());
    EXPECT_EQ(FForm.pbar->GetRange(), 1000);
    EXPECT_EQ(FForm.pbar->GetValue(), 0);
    EXPECT_EQ(FForm.btnUpdate->GetLabel().utf8_string(), "지금 업데이트");
    EXPECT_TRUE(FForm.btnUpdate->IsEnabled());
    EXPECT_EQ(FForm.GetDefaultItem(), FForm.btnUpdate);

    // The button is the only control that Tab reaches.
    for (wxWindow* Control : {static_cast<wxWindow*>(FForm.pnlHeader), static_cast<wxWindow*>(FForm.pnlBody),
                              static_cast<wxWindow*>(FForm.memoNotes), static_cast<wxWindow*>(FForm.lblStatus),
                              static_cast<wxWindow*>(FForm.pbar)})
        EXPECT_FALSE(Control->AcceptsFocusFromKeyboard()) << Control->GetClassInfo()->GetClassName();
    EXPECT_TRUE(FForm.btnUpdate->AcceptsFocusFromKeyboard());
}

TEST_F(TFormUpdateTest, TheButtonHasTheFocusAndKeepsItUnderTab)
{
    std::vector<wxWindow*> Focused;
    const int Result = ShowModalWith([&] {
        PumpFor(std::chrono::milliseconds(200));
        Focused.push_back(wxWindow::FindFocus());
        FForm.btnUpdate->Navigate(wxNavigationKeyEvent::IsForward);
        Focused.push_back(wxWindow::FindFocus());
        FForm.btnUpdate->Navigate(wxNavigationKeyEvent::IsBackward);
        Focused.push_back(wxWindow::FindFocus());
        FForm.EndModal(wxID_CLOSE);
    });
    EXPECT_EQ(Result, wxID_CLOSE);
    EXPECT_EQ(Focused, std::vector<wxWindow*>(3, FForm.btnUpdate));
}

TEST_F(TFormUpdateTest, SizesAreShownInTheirUnit)
{
    const std::pair<std::int64_t, const char*> Cases[] = {
        {0, "0 B"},           {1023, "1023 B"},         {1024, "1.0 KB"},  {1536, "1.5 KB"},
        {1048575, "1024.0 KB"}, {1048576, "1.0 MB"}, {5242880, "5.0 MB"}, {-1, "-1 B"},
    };
    for (const auto& [Bytes, Expected] : Cases)
        EXPECT_EQ(TfrmUpdate::FormatSize(Bytes), Expected) << Bytes;
}

TEST_F(TFormUpdateTest, ProgressMovesTheBarOnlyWhenTheTotalIsKnown)
{
    FForm.HandleProgress(1048576, 4194304);
    EXPECT_EQ(FForm.pbar->GetValue(), 250);
    EXPECT_EQ(Text(FForm.lblStatus), "다운로드 중 — 1.0 MB / 4.0 MB");

    FForm.HandleProgress(524288, -1);
    EXPECT_EQ(FForm.pbar->GetValue(), 250);
    EXPECT_EQ(Text(FForm.lblStatus), "다운로드 중 — 512.0 KB");

    FForm.HandleProgress(0, 0);
    EXPECT_EQ(Text(FForm.lblStatus), "다운로드 중 — 0 B");

    // More than announced: the bar stops at its end instead of failing.
    FForm.HandleProgress(5000, 4000);
    EXPECT_EQ(FForm.pbar->GetValue(), 1000);
}

TEST_F(TFormUpdateTest, InfoFillsTheVersionLineAndTheNotes)
{
    TUpdateInfo Info;
    Info.Version = "1.2.0";
    Info.ReleasedAt = "2024-05-01";
    Info.Notes = "보안 수정\n속도 개선\r\n한국어 안내 추가";
    FForm.ApplyInfo(Info);
    EXPECT_EQ(Text(FForm.lblVersion), "새 버전: 1.2.0   (배포일: 2024-05-01)");
    EXPECT_EQ(FForm.memoNotes->GetNumberOfLines(), 3);
    EXPECT_EQ(FForm.memoNotes->GetLineText(2).utf8_string(), "한국어 안내 추가");
    EXPECT_EQ(FForm.FInfo.Version, "1.2.0");
}

TEST_F(TFormUpdateTest, EachFailureIsShownAndTheButtonComesBack)
{
    const std::string Good = Package({{"NimbralClient", "new build"}});
    std::string Damaged = Good;  // the stored content no longer matches its CRC
    Damaged[Damaged.find("new build")] = 'N';
    const std::string Empty = std::string("PK\x05\x06", 4) + std::string(18, '\0');

    struct TCase {
        const char* What;
        std::string Bytes;
        std::string Url;  // empty: the served package
        std::string Sha256;
        std::string Expected;
    };
    const TCase Cases[] = {
        {"download 404", Good, "/missing.zip", "", kFailDownload},
        {"hash mismatch", Good, "", std::string(64, 'a'), kFailVerify},
        {"empty archive", Empty, "", "", kFailReplace},
        {"damaged archive", Damaged, "", "",
         std::string(kErrorPrefix) + "압축 파일 항목이 손상되었습니다: NimbralClient (CRC error)"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        Serve(C.Bytes, C.Sha256);
        if (!C.Url.empty()) {
            TUpdateInfo Info = FForm.FInfo;
            Info.Url = FServer.Origin() + C.Url;
            FForm.ApplyInfo(Info);
        }
        FForm.HandleUpdateClick();
        EXPECT_EQ(Text(FForm.lblStatus), C.Expected);
        EXPECT_TRUE(FForm.btnUpdate->IsEnabled());
        EXPECT_EQ(ReadFile(FProgramDir / "NimbralClient"), "old build");
        EXPECT_EQ(FForm.GetReturnCode(), 0);
    }
    EXPECT_TRUE(FStarted.empty());
    // The package that failed its check is gone; the others stay for a retry.
    Serve(Good, std::string(64, 'a'));
    FForm.HandleUpdateClick();
    EXPECT_FALSE(fs::exists(FTmp / "temp" / "NimbralClient-1.2.0.zip"));
}

TEST_F(TFormUpdateTest, ARetryDownloadsAgainFromTheStart)
{
    const std::string Good = Package({{"NimbralClient", "new build"}, {"tools/readme.txt", std::string(300000, 'r')}});
    // The first answer breaks off half-way; the second is whole.
    FServer.SetHandler([&](const httplib::Request& Req, httplib::Response& Res) {
        const bool Broken = ++FPackageRequests == 1;
        EXPECT_FALSE(Req.has_header("Range"));
        Res.set_content_provider(Good.size(), "application/zip",
                                 [&Good, Broken](std::size_t Offset, std::size_t, httplib::DataSink& Sink) {
                                     if (Broken && Offset >= Good.size() / 2)
                                         return false;
                                     const std::size_t Length = std::min<std::size_t>(65536, Good.size() - Offset);
                                     return Sink.write(Good.data() + Offset, Length);
                                 });
    });
    TUpdateInfo Info;
    Info.Version = "1.2.0";
    Info.Url = FServer.Origin() + "/package.zip";
    FForm.ApplyInfo(Info);

    FForm.HandleUpdateClick();
    EXPECT_EQ(Text(FForm.lblStatus), kFailDownload);
    EXPECT_TRUE(FForm.btnUpdate->IsEnabled());
    const int BarAfterFailure = FForm.pbar->GetValue();
    EXPECT_GT(BarAfterFailure, 0);
    EXPECT_LT(BarAfterFailure, 1000);

    FForm.HandleUpdateClick();
    EXPECT_EQ(FPackageRequests, 2);
    EXPECT_EQ(FForm.pbar->GetValue(), 1000);
    EXPECT_EQ(ReadFile(FProgramDir / "NimbralClient"), "new build");
    EXPECT_EQ(FStarted, std::vector<fs::path>{FProgramDir / "NimbralClient"});
    EXPECT_TRUE(TerminationRequested());
    EXPECT_EQ(FForm.GetReturnCode(), wxID_OK);
    EXPECT_FALSE(FForm.btnUpdate->IsEnabled());
}

TEST_F(TFormUpdateTest, AVersionThatIsNoFileNameLeavesTheButtonDisabled)
{
    Serve(Package({{"NimbralClient", "new build"}}));
    TUpdateInfo Info = FForm.FInfo;
    Info.Version = "1.2.0/../../x";
    FForm.ApplyInfo(Info);
    EXPECT_THROW(FForm.HandleUpdateClick(), std::invalid_argument);
    EXPECT_FALSE(FForm.btnUpdate->IsEnabled());
    EXPECT_EQ(Text(FForm.lblStatus), "");
    EXPECT_EQ(FPackageRequests, 0);
}

TEST_F(TFormUpdateTest, EnterStartsTheInstallation)
{
    Serve(Package({{"NimbralClient", "new build"}}));
    const int Result = ShowModalWith([this] {
        PumpFor(std::chrono::milliseconds(200));
        wxUIActionSimulator Keys;
        const wxPoint Centre = FForm.btnUpdate->GetScreenRect().GetPosition() + wxPoint(70, 16);
        Keys.MouseMove(Centre);  // without a window manager the key goes where the pointer is
        Keys.Char(WXK_RETURN);
    });
    EXPECT_EQ(Result, wxID_OK);
    EXPECT_EQ(FPackageRequests, 1);
    EXPECT_EQ(FStarted.size(), 1u);
}

TEST_F(TFormUpdateTest, ACloseRequestEndsTheModalLoopWithCancel)
{
    const int Result = ShowModalWith([this] { FForm.Close(); });
    EXPECT_EQ(Result, wxID_CANCEL);
    // Closing neither destroyed the window nor queued it for destruction:
    // its creator destroys it, once.
    EXPECT_FALSE(FForm.IsBeingDeleted());
    EXPECT_FALSE(wxPendingDelete.Member(&FForm));
    EXPECT_FALSE(FForm.IsShown());
}

TEST_F(TFormUpdateTest, ACloseRequestDuringTheSequenceWaitsForItsEnd)
{
    struct TCase {
        const char* What;
        bool PackageServed;
        int Result;
        std::string Status;
    };
    const TCase Cases[] = {
        {"failure", false, wxID_CANCEL, kFailDownload},
        {"success", true, wxID_OK, kStatusReplacing},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        Serve(Package({{"NimbralClient", "new build"}}));
        if (!C.PackageServed) {
            TUpdateInfo Info = FForm.FInfo;
            Info.Url = FServer.Origin() + "/missing.zip";
            FForm.ApplyInfo(Info);
        }
        FForm.SetReturnCode(0);
        std::vector<std::string> StatusWhenClosed;
        // The close request is queued behind the click: the first status of
        // the sequence lets it run.
        const int Result = ShowModalWith([&] {
            FForm.CallAfter([&] {
                FForm.Close();
                StatusWhenClosed.push_back(Text(FForm.lblStatus));
            });
            FForm.HandleUpdateClick();
        });
        EXPECT_EQ(StatusWhenClosed, std::vector<std::string>{kStatusDownloading});
        EXPECT_EQ(Result, C.Result);
        EXPECT_EQ(Text(FForm.lblStatus), C.Status);
    }
    EXPECT_EQ(FStarted.size(), 1u);
}

}  // namespace
}  // namespace nimbral::test
