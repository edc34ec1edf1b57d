// The forced update with the real program: an installed folder stamped as
// 1.0.0, a package of the same build stamped as 1.1.0, and a content host on
// the program's compiled-in origin that announces 1.1.0 as the lowest
// version. The old build shows the update window, Enter installs the package,
// the new build starts, the old one ends, and exactly one client remains.
// Screenshots go to a folder the test prints.

#include "ClientRun.h"
#include "ContentHost.h"
#include "update/ZipTestSupport.h"

#include <wx/uiaction.h>

namespace nimbral::test {
namespace {

const char* const kUpdateTitle = "Nimbral 업데이트";

enum class TPackageKind { MadeByScript, MadeOnWindows };

class TUpdateEndToEnd : public testing::Test {
protected:
    TTestHome Home;
    fs::path Folder = Home / "Nimbral";
    fs::path NewBuild = Home / "build-1.1.0";
    fs::path Packages = Home / "packages";
    TContentHost Host{Packages};

    void TearDown() override
    {
        for (const pid_t Pid : ProcessesOf(Folder))
            EndProcess(Pid);
    }

    // Where this test's screenshots go: kept after the run, for a look.
    fs::path Shots() const
    {
        const fs::path Dir = fs::path(NIMBRAL_BUILD_DIR) / "e2e-screenshots" /
                             testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(Dir);
        return Dir;
    }

    void InstallOldBuild()
    {
        InstallProgramFolder(Folder);
        StampVersion(Folder / "NimbralClient", "1.0.0");
    }

    // The package of the same build as 1.1.0, announced as the lowest version.
    void AnnounceNewBuild(TPackageKind Kind)
    {
        InstallProgramFolder(NewBuild);
        StampVersion(NewBuild / "NimbralClient", "1.1.0");
        if (Kind == TPackageKind::MadeByScript) {
            RunOrRaise(std::string(NIMBRAL_SOURCE_DIR) + "/scripts/make-update-package --min-version 1.1.0 "
                       "--released-at 2024-05-01 --notes '원격 연결 안정성 개선\\n업데이트 창 추가' " +
                       Quoted(NewBuild) + " " + Quoted(Packages));
            Host.ServeManifest(200, ReadText(Packages / "version.json"));
            return;
        }
        // As an archiver on Windows makes it: DOS attributes, no Unix modes.
        std::vector<TZipEntry> Entries;
        for (const auto& E : fs::recursive_directory_iterator(NewBuild)) {
            if (E.is_regular_file())
                Entries.push_back({E.path().lexically_relative(NewBuild).generic_string(), ReadText(E.path())});
        }
        fs::create_directories(Packages);
        const fs::path Zip = Packages / "NimbralClient-1.1.0.zip";
        MakeStoredZip(Zip, Entries, TMadeOn::Windows);
        const std::string Sha256 = CommandOutput("sha256sum " + Quoted(Zip)).substr(0, 64);
        Host.ServeManifest(200, R"({"version":"1.1.0","url":"http://127.0.0.1:18080/client/packages/NimbralClient-1.1.0.zip","sha256":")" +
                                    Sha256 + R"(","released_at":"2024-05-01"})");
    }

    static std::string ReadText(const fs::path& File)
    {
        std::ifstream In(File, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(In), {});
    }

    // Enter, as the user presses it: without a window manager the key goes
    // to the window under the pointer.
    static void PressEnter(const TXWindow& Window)
    {
        wxUIActionSimulator Input;
        Input.MouseMove(Window.Rect.GetRight() - 90, Window.Rect.GetBottom() - 32);
        Input.Char(WXK_RETURN);
    }

    bool NoOldFilesLeft() const
    {
        for (const auto& E : fs::recursive_directory_iterator(Folder)) {
            if (E.path().extension() == ".old")
                return false;
        }
        return true;
    }

    // Installs the announced package through the old build's window; the new
    // build's main window once it shows.
    std::optional<TXWindow> UpdateThroughTheWindow(bool WithScreenshots)
    {
        if (WithScreenshots)
            Host.HoldPackageHalfWay();
        TProgramRun Old(Folder / "NimbralClient", Home / "client-1.0.0.log");
        const auto Update = WaitForWindow(kUpdateTitle, 30s);
        EXPECT_TRUE(Update) << "no update window; see " << Home / "client-1.0.0.log";
        if (!Update)
            return std::nullopt;
        EXPECT_EQ(Update->Rect.GetSize(), wxSize(480, 360));
        if (WithScreenshots)
            Screenshot(*Update, Shots() / "update-window.png");

        PressEnter(*Update);
        if (WithScreenshots) {
            EXPECT_TRUE(Host.WaitUntilHalfSent(30s)) << "the download did not start";
            std::this_thread::sleep_for(300ms);
            Screenshot(*Update, Shots() / "update-mid-download.png");
            Host.ReleasePackage();
        }
        const auto Exit = Old.WaitForExit(60s);
        EXPECT_EQ(Exit, std::optional<int>(0)) << "the old build did not end; see " << Home / "client-1.0.0.log";
        return WaitForWindow("NIMBRAL | 1.1.0", 30s);
    }
};

TEST_F(TUpdateEndToEnd, TheOldBuildUpdatesItselfAndOneClientRemains)
{
    InstallOldBuild();
    AnnounceNewBuild(TPackageKind::MadeByScript);

    const auto Main = UpdateThroughTheWindow(true);
    ASSERT_TRUE(Main) << "the new build shows no main window";
    const pid_t NewPid = WindowPid(*Main);
    EXPECT_TRUE(WaitFor([&] { return NoOldFilesLeft(); }, 10s)) << "the new build left the .old files";
    EXPECT_EQ(ProcessesOf(Folder), std::set<pid_t>{NewPid});
    EXPECT_TRUE(WindowsNamed(kUpdateTitle).empty());
    EXPECT_EQ(Host.RequestsFor("/client/packages/NimbralClient-1.1.0.zip"), 1u);
    // The new build checked the manifest itself, found itself current, and
    // asked for the launcher page with its own version.
    EXPECT_EQ(Host.RequestsFor("/client/version.json"), 2u);
    EXPECT_TRUE(WaitFor([&] { return Host.RequestsFor("/app/launch?v=1.1.0") == 1; }, 10s));
    std::this_thread::sleep_for(1500ms);  // the page renders
    Screenshot(*Main, Shots() / "main-window.png");
    std::printf("screenshots: %s\n", Shots().c_str());
}

TEST_F(TUpdateEndToEnd, APackageMadeOnWindowsStillInstallsARunnableProgram)
{
    InstallOldBuild();
    AnnounceNewBuild(TPackageKind::MadeOnWindows);

    const auto Main = UpdateThroughTheWindow(false);
    ASSERT_TRUE(Main) << "the new build shows no main window";
    EXPECT_EQ(ProcessesOf(Folder), std::set<pid_t>{WindowPid(*Main)});
    EXPECT_NE(fs::status(Folder / "NimbralClient").permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(TUpdateEndToEnd, WithoutAReadableManifestTheProgramStartsAsUsual)
{
    InstallOldBuild();
    struct TCase {
        const char* What;
        std::function<void()> Answer;
    };
    const TCase Cases[] = {
        {"no answer: the time-outs pass", [&] { Host.HoldManifest(); }},
        {"status 500", [&] { Host.ServeManifest(500, R"({"version":"9.0.0","url":"http://127.0.0.1:18080/p.zip"})"); }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        C.Answer();
        const auto Start = std::chrono::steady_clock::now();
        TProgramRun Client(Folder / "NimbralClient", Home / "client.log");
        bool UpdateWindowSeen = false;
        std::optional<TXWindow> Main;
        WaitFor([&] {
            UpdateWindowSeen = UpdateWindowSeen || !WindowsNamed(kUpdateTitle).empty();
            Main = WaitForWindow("NIMBRAL | 1.0.0", 0ms);
            return Main.has_value();
        }, 40s);
        ASSERT_TRUE(Main) << "no main window; see " << Home / "client.log";
        std::printf("%s: main window after %.1f s\n", C.What,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
        EXPECT_FALSE(UpdateWindowSeen);
        EXPECT_EQ(WindowPid(*Main), Client.Pid());
        EndProcess(Client.Pid());
    }
}

}  // namespace
}  // namespace nimbral::test
