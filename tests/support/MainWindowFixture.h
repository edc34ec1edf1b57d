#pragma once
// A main window for GUI tests: the service API on a recording server on
// 127.0.0.1, the stand-in browser, the log collected, and the user's folders
// (token file, browser data) in a temporary folder of the test's own.

#include "app/FormMain.h"
#include "support/FakeLauncherBrowser.h"
#include "support/GuiTest.h"
#include "support/ScopedEnv.h"
#include "support/TestServer.h"
#include "update/ProgramLifetime.h"

#include <wx/utils.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nimbral::test {

class TMainWindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        Home = std::filesystem::temp_directory_path() /
               ("nimbral-gui-" + std::to_string(wxGetProcessId()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Home);
        std::filesystem::create_directories(Home);
        // The user's folders as each system names them.
        Env.Set("HOME", Home.string());
        Env.Set("XDG_CONFIG_HOME", (Home / "config").string());
        Env.Set("XDG_DATA_HOME", (Home / "data").string());
        Env.Set("APPDATA", (Home / "config").string());
        Env.Set("LOCALAPPDATA", (Home / "data").string());
        // No manifest there: the update check lets every start through.
        Content.Answer(404, "");
        Api.Answer(200, R"({"success":true,"message":"","data":null})");
    }

    void TearDown() override
    {
        if (Form != nullptr)
            Form->Destroy();
        PumpFor(std::chrono::milliseconds(20));
        std::filesystem::remove_all(Home);
    }

    TMainWindowSetup WindowSetup()
    {
        TMainWindowSetup S;
        S.ApiOrigin = Api.Origin();
        S.WebOrigin = WebOrigin;
        S.ContentOrigin = Content.Origin();
        S.BrowserFactory = [this](wxWindow* Parent) {
            auto B = std::make_unique<TFakeLauncherBrowser>(Parent);
            Browser = B.get();
            return B;
        };
        S.LogSink = [this](const std::string& Line) { LogLines.push_back(Line); };
        S.ProgramFolder = ProgramFolder;
        return S;
    }

    // Creates the window; its creation runs the whole start-up.
    TfrmMain& Open()
    {
        Form = new TfrmMain(WindowSetup());
        return *Form;
    }

    // The log without its time prefix.
    std::vector<std::string> LogTexts() const
    {
        std::vector<std::string> Texts;
        for (const std::string& Line : LogLines)
            Texts.push_back(Line.size() > 13 ? Line.substr(13) : Line);
        return Texts;
    }

    bool Logged(const std::string& Text) const
    {
        for (const std::string& Line : LogTexts()) {
            if (Line == Text)
                return true;
        }
        return false;
    }

    std::filesystem::path TokenFile() const { return Home / "config" / "NimbralClient" / "auth.dat"; }

    const std::string WebOrigin = "http://web.invalid";
    TScopedEnv Env;
    std::filesystem::path Home;
    TTestServer Api;
    TTestServer Content;
    // Where the window looks for tools/nimbral-remote; empty for the test
    // program's own folder.
    std::filesystem::path ProgramFolder;
    TfrmMain* Form = nullptr;
    TFakeLauncherBrowser* Browser = nullptr;
    std::vector<std::string> LogLines;
};

}  // namespace nimbral::test
