// The installable program folder: what `cmake --install` lays out runs from
// wherever it lies and shows the launcher page, CPack's .tar.gz holds the
// same files, and add-to-menu gives the user a desktop entry that points
// into the folder.

#include "ClientRun.h"
#include "ContentHost.h"

#include <map>

namespace nimbral::test {
namespace {

// Every file below Dir with its permission bits.
std::map<std::string, unsigned> FilesWithModes(const fs::path& Dir)
{
    std::map<std::string, unsigned> Files;
    for (const auto& E : fs::recursive_directory_iterator(Dir)) {
        if (!E.is_directory())
            Files[E.path().lexically_relative(Dir).generic_string()] =
                static_cast<unsigned>(E.symlink_status().permissions()) & 0777;
    }
    return Files;
}

class TInstallFolder : public testing::Test {
protected:
    TTestHome Home;
    fs::path Folder = Home / "somewhere" / "Nimbral";

    void SetUp() override { InstallProgramFolder(Folder); }
    void TearDown() override
    {
        for (const pid_t Pid : ProcessesOf(Folder))
            EndProcess(Pid);
    }
};

TEST_F(TInstallFolder, TheFolderHoldsTheProgramAndItsCompanionsAndNothingNamesTheBuild)
{
    const auto Files = FilesWithModes(Folder);
    EXPECT_EQ(Files.at("NimbralClient") & 0111, 0111u);
    EXPECT_EQ(Files.at("add-to-menu") & 0111, 0111u);
    EXPECT_TRUE(Files.contains("libnimbral_crypto.so.1"));
    EXPECT_TRUE(Files.contains("nimbral-client.desktop"));
    EXPECT_TRUE(Files.contains("nimbral-client.svg"));
    for (const auto& [Name, Mode] : Files) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Folder / Name))) << Name << " is not a plain file";
        EXPECT_NE(Mode & 0200, 0u) << Name << ": the client must be able to replace it";
    }
    // Relocatable: no search path into the build, nothing missing.
    const std::string Dynamic = CommandOutput("readelf -d " + Quoted(Folder / "NimbralClient"));
    EXPECT_EQ(Dynamic.find("RPATH"), std::string::npos);
    EXPECT_EQ(Dynamic.find("RUNPATH"), std::string::npos);
    EXPECT_EQ(CommandOutput("ldd " + Quoted(Folder / "NimbralClient")).find("not found"), std::string::npos);
    EXPECT_EQ(CommandOutput(std::string(NIMBRAL_SOURCE_DIR) + "/scripts/stamp-version --print " +
                            Quoted(Folder / "NimbralClient")),
              std::string(NIMBRAL_VERSION_TEXT) + "\n");
}

TEST_F(TInstallFolder, TheInstalledProgramStartsAndShowsTheLauncherPage)
{
    TContentHost Host(Home / "packages");  // no manifest: 404
    TProgramRun Client(Folder / "NimbralClient", Home / "client.log");
    const auto Main = WaitForWindow("NIMBRAL | " NIMBRAL_VERSION_TEXT, 30s);
    ASSERT_TRUE(Main) << "no main window; see " << Home / "client.log";
    EXPECT_EQ(WindowPid(*Main), Client.Pid());
    EXPECT_EQ(Main->Rect.GetSize(), wxSize(928, 602));
    EXPECT_TRUE(WaitFor([&] { return Host.RequestsFor("/app/launch?v=" NIMBRAL_VERSION_TEXT) == 1; }, 20s));
    std::this_thread::sleep_for(1500ms);  // the page renders
    const fs::path Shots = fs::path(NIMBRAL_BUILD_DIR) / "e2e-screenshots" / "installed-folder";
    fs::create_directories(Shots);
    Screenshot(*Main, Shots / "main-window.png");
    std::printf("screenshot: %s\n", (Shots / "main-window.png").c_str());
}

TEST_F(TInstallFolder, TheArchiveHoldsTheSameFolder)
{
    const fs::path Out = Home / "cpack";
    ASSERT_TRUE(RunShell("cd " + Quoted(NIMBRAL_BUILD_DIR) + " && cpack -G TGZ -B " + Quoted(Out)));
    fs::path Archive;
    for (const auto& E : fs::directory_iterator(Out)) {
        if (E.path().filename().string().ends_with(".tar.gz"))
            Archive = E.path();
    }
    ASSERT_EQ(Archive.filename().string().rfind("NimbralClient-" NIMBRAL_VERSION_TEXT "-linux-", 0), 0u) << Archive;
    fs::create_directories(Home / "unpacked");
    ASSERT_TRUE(RunShell("tar -xzf " + Quoted(Archive) + " -C " + Quoted(Home / "unpacked")));
    EXPECT_EQ(FilesWithModes(Home / "unpacked" / "Nimbral"), FilesWithModes(Folder));
    for (const auto& [Name, Mode] : FilesWithModes(Folder))
        EXPECT_TRUE(RunShell("cmp " + Quoted(Folder / Name) + " " + Quoted(Home / "unpacked" / "Nimbral" / Name))) << Name;
}

TEST_F(TInstallFolder, AddToMenuWritesAnEntryThatPointsIntoTheFolder)
{
    // A folder whose name needs quoting in a desktop entry.
    const fs::path Odd = Home / "my apps" / "Nimbral $1";
    fs::create_directories(Odd.parent_path());
    fs::rename(Folder, Odd);
    ASSERT_TRUE(RunShell(Quoted(Odd / "add-to-menu")));
    const fs::path Entry = Home / "data" / "applications" / "nimbral-client.desktop";
    std::ifstream In(Entry);
    const std::string Text((std::istreambuf_iterator<char>(In)), {});
    EXPECT_NE(Text.find("Exec=\"" + (Home / "my apps").string() + "/Nimbral \\\\$1/NimbralClient\"\n"), std::string::npos)
        << Text;
    EXPECT_NE(Text.find("Icon=" + (Odd / "nimbral-client.svg").string() + "\n"), std::string::npos) << Text;
    EXPECT_NE(Text.find("Name=Nimbral\n"), std::string::npos);

    ASSERT_TRUE(RunShell(Quoted(Odd / "add-to-menu") + " --remove"));
    EXPECT_FALSE(fs::exists(Entry));
}

}  // namespace
}  // namespace nimbral::test
