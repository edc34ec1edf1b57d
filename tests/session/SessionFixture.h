#pragma once
// A main window against a session service on a recording server on
// 127.0.0.1, with the stand-in viewer in the "tools" folder of a program
// folder of the test's own. The viewer writes its arguments to "argv.txt"
// in its working folder. No viewer outlives its test.

#include "platform/ChildProcess.h"
#include "session/ViewerCommand.h"
#include "session/ViewerProcess.h"
#include "support/MainWindowFixture.h"
#include "support/ScopedEnv.h"

#include <wx/defs.h>

#include <fstream>
#include <map>
#include <mutex>
#include <optional>

namespace nimbral::test {

// Message boxes answered in order; each one also notes how often the page
// had been reloaded when it appeared.
class TSessionBoxes : public TDialogAnswers {
public:
    TSessionBoxes(std::vector<int> Answers, TFakeLauncherBrowser*& ABrowser)
        : TDialogAnswers(std::move(Answers)), FBrowser(ABrowser)
    {
    }
    std::vector<int> ReloadsAtBox;

protected:
    int Enter(wxDialog* Dialog) override
    {
        ReloadsAtBox.push_back(FBrowser != nullptr ? FBrowser->Reloads : -1);
        return TDialogAnswers::Enter(Dialog);
    }

private:
    TFakeLauncherBrowser*& FBrowser;
};

class TSessionFixture : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        ProgramFolder = Home / "program";
        std::filesystem::create_directories(Tools());
        // A copy: Wine makes no symbolic links.
        std::filesystem::copy_file(NIMBRAL_STAND_IN_VIEWER, Viewer());
        // Relative: it lands in the viewer's working folder.
        Env.Set("NIMBRAL_VIEWER_ARGV_FILE", "argv.txt");
        Env.Set("NIMBRAL_VIEWER_EXIT_AFTER_MS", std::nullopt);
        AnswerBoxes({wxID_OK});

        Answer("POST /api/v1/sessions", SessionAnswer());
        Answer("GET /api/v1/sessions/current", NoSession);
        Answer("POST /api/v1/sessions/41/disconnect", Ok);
        Answer("POST /api/v1/disconnect", Ok);
        Answer("GET /api/v1/me", R"({"success":true,"data":{"id":5,"name":"사용자","email":"u@example.com"}})");
        Api.SetHandler([this](const httplib::Request& Req, httplib::Response& Res) {
            std::lock_guard Lock(FMutex);
            const auto Found = FAnswers.find(Req.method + " " + Req.path);
            Res.status = Found == FAnswers.end() ? 404 : Found->second.first;
            Res.set_content(Found == FAnswers.end() ? R"({"success":false,"message":"없음"})" : Found->second.second,
                            "application/json");
        });
    }

    void TearDown() override
    {
        if (Form != nullptr && Form->FRemoteProcess) {
            Form->FRemoteProcess->TerminateUnlessEnded();
            PumpUntil([this] { return !Form->FRemoteProcess; });
        }
        Boxes.reset();
        TMainWindowFixture::TearDown();
    }

    static constexpr const char* Ok = R"({"success":true,"message":"","data":null})";
    static constexpr const char* NoSession = Ok;  // "data" null: the user has no session

    // The service's session record; creation answers carry the billing.
    static std::string SessionAnswer(const std::string& Status = "active", const std::string& Token = "tok-41",
                                     const std::string& PcName = "서울-01", int Id = 41)
    {
        return R"({"success":true,"message":"","data":{"id":)" + std::to_string(Id) +
               R"(,"pc_id":7,"status":")" + Status + R"(","token":")" + Token +
               R"(","remote_pc":{"pc_name":")" + PcName +
               R"(","ip":"10.0.0.5","port":47989},"user_rate_per_hour":1200,"mileage_balance":300,)"
               R"("has_subscription":false,"is_dedicated":false}})";
    }

    void Answer(const std::string& Route, std::string Body, int Status = 200)
    {
        std::lock_guard Lock(FMutex);
        FAnswers[Route] = {Status, std::move(Body)};
    }

    // How many requests went to Route ("METHOD /path").
    int Calls(const std::string& Route) const
    {
        int Count = 0;
        for (const TRecordedRequest& R : Api.Requests())
            Count += R.Method + " " + R.Path == Route ? 1 : 0;
        return Count;
    }

    void AnswerBoxes(std::vector<int> Answers)
    {
        Boxes.reset();
        Boxes.emplace(std::move(Answers), Browser);
    }
    std::vector<std::string> BoxTexts() const { return Boxes->Messages(); }

    std::filesystem::path Tools() const { return ProgramFolder / "tools"; }
    std::filesystem::path Viewer() const { return Tools() / ("nimbral-remote" + platform::ExecutableSuffix()); }

    // The arguments the stand-in viewer received, once it has written them.
    std::vector<std::string> ViewerArgs()
    {
        const std::filesystem::path File = Tools() / "argv.txt";
        EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(File); }));
        std::ifstream In(File);
        std::vector<std::string> Lines;
        for (std::string Line; std::getline(In, Line);)
            Lines.push_back(Line);
        return Lines;
    }

    TfrmMain& SignedIn()
    {
        TfrmMain& F = Open();
        F.FApiClient->SetAuthToken("user-token");
        Api.ClearRequests();
        return F;
    }

    // Signed in, connected to PC 7, the viewer running.
    TfrmMain& Streaming()
    {
        TfrmMain& F = SignedIn();
        F.ConnectToPc(7, "서울-01");
        EXPECT_TRUE(F.FRemoteViewerActive);
        EXPECT_FALSE(ViewerArgs().empty());
        Api.ClearRequests();
        return F;
    }

    bool ViewerRunning() const { return Form->FRemoteProcess && Form->FRemoteProcess->HandleOpen(); }

    // The viewer's exit has been handled on the UI thread.
    bool ExitHandled()
    {
        return PumpUntil([this] { return !Form->FRemoteViewerActive; });
    }

    std::string Status() const { return Form->lblOverlayStatus->GetLabel().utf8_string(); }
    bool OverlayShown() const { return Form->pnlSessionOverlay->IsShown(); }

    std::optional<TSessionBoxes> Boxes;

private:
    mutable std::mutex FMutex;
    std::map<std::string, std::pair<int, std::string>> FAnswers;
};

}  // namespace nimbral::test
