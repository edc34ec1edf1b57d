// The token store on Windows: the system's data protection for the current
// user and the token file under APPDATA.

#include "platform/DataProtection.h"
#include "store/TokenStore.h"

#include "support/ChildProgram.h"
#include "support/HexText.h"
#include "support/Wine.h"

#include <windows.h>
#include <dpapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using nimbral::platform::ProtectForUser;
using nimbral::platform::UnprotectForUser;

const std::string KoreanToken = "김민수의-토큰-안녕하세요";

std::string ReadAll(const fs::path& File)
{
    std::ifstream In(File, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

void WriteAll(const fs::path& File, const std::string& Bytes)
{
    std::ofstream(File, std::ios::binary | std::ios::trunc) << Bytes;
}

// APPDATA and the current folder of one test, put back when it ends.
class WindowsTokenStore : public ::testing::Test {
protected:
    WindowsTokenStore()
    {
        FRoot = fs::temp_directory_path() / ("nimbral-store-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(FRoot);
        wchar_t Saved[32768];
        const DWORD Length = GetEnvironmentVariableW(L"APPDATA", Saved, 32768);
        if (Length > 0 && Length < 32768) {
            FSavedAppData = std::wstring(Saved, Length);
        }
        FSavedFolder = fs::current_path();
        SetAppData((FRoot / "Roaming").wstring());
    }
    ~WindowsTokenStore() override
    {
        fs::current_path(FSavedFolder);
        SetEnvironmentVariableW(L"APPDATA", FSavedAppData ? FSavedAppData->c_str() : nullptr);
        std::error_code Ignored;
        fs::remove_all(FRoot, Ignored);
    }

    static void SetAppData(const std::optional<std::wstring>& Value)
    {
        SetEnvironmentVariableW(L"APPDATA", Value ? Value->c_str() : nullptr);
    }
    fs::path TokenFile() const { return FRoot / "Roaming" / "NimbralClient" / "auth.dat"; }

    fs::path FRoot;

private:
    std::optional<std::wstring> FSavedAppData;
    fs::path FSavedFolder;
};

TEST(WindowsDataProtection, RoundTripOfKoreanText)
{
    const auto Blob = ProtectForUser(KoreanToken, "NimbralClient auth");
    ASSERT_TRUE(Blob);
    EXPECT_EQ(Blob->find(KoreanToken), std::string::npos);
    EXPECT_EQ(UnprotectForUser(*Blob), KoreanToken);
    EXPECT_FALSE(UnprotectForUser("not a protected blob"));
}

TEST(WindowsDataProtection, DamagedBlobIsRefused)
{
    NIMBRAL_SKIP_UNDER_WINE("DPAPI's integrity check of a damaged blob");
    auto Blob = ProtectForUser(KoreanToken, "NimbralClient auth");
    ASSERT_TRUE(Blob);
    for (const std::size_t At : {Blob->size() / 2, Blob->size() - 1}) {
        std::string Damaged = *Blob;
        Damaged[At] ^= 0x01;
        EXPECT_FALSE(UnprotectForUser(Damaged)) << "byte " << At;
    }
}

// Needs a second account on the runner: NIMBRAL_OTHER_USER and
// NIMBRAL_OTHER_PASSWORD name it, and the build folder must be readable to it.
TEST(WindowsDataProtection, AnotherAccountCannotUnprotect)
{
    NIMBRAL_SKIP_UNDER_WINE("DPAPI's per-user keys");
    wchar_t User[256];
    wchar_t Password[256];
    if (GetEnvironmentVariableW(L"NIMBRAL_OTHER_USER", User, 256) == 0 ||
        GetEnvironmentVariableW(L"NIMBRAL_OTHER_PASSWORD", Password, 256) == 0) {
        GTEST_SKIP() << "no second account given (NIMBRAL_OTHER_USER, NIMBRAL_OTHER_PASSWORD)";
    }
    const auto Blob = ProtectForUser(KoreanToken, "NimbralClient auth");
    ASSERT_TRUE(Blob);
    const std::string Hex = nimbral::wintest::ToHex(*Blob);
    const std::wstring Arguments = L"unprotect-hex " + std::wstring(Hex.begin(), Hex.end());

    // Run as this account, the probe opens it: the probe works.
    const fs::path Out =
        fs::temp_directory_path() / ("nimbral-token-probe-" + std::to_string(GetCurrentProcessId()) + ".txt");
    EXPECT_EQ(nimbral::wintest::RunChild(NIMBRAL_TOKEN_PROBE, Arguments, Out).ExitCode, 3u);
    fs::remove(Out);

    std::wstring CommandLine = L"\"" + fs::path(NIMBRAL_TOKEN_PROBE).wstring() + L"\" " + Arguments;
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Info{};
    ASSERT_TRUE(CreateProcessWithLogonW(User, L".", Password, LOGON_WITH_PROFILE, nullptr, CommandLine.data(), 0,
                                        nullptr, nullptr, &Startup, &Info));
    ASSERT_EQ(WaitForSingleObject(Info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD Code = 2;
    GetExitCodeProcess(Info.hProcess, &Code);
    CloseHandle(Info.hThread);
    CloseHandle(Info.hProcess);
    EXPECT_EQ(Code, 0u) << "the other account unprotected our blob (3) or the probe failed (2)";
}

TEST_F(WindowsTokenStore, FileUnderAppDataHoldsExactlyTheBlob)
{
    ASSERT_TRUE(nimbral::SaveToken("first"));
    ASSERT_TRUE(nimbral::SaveToken(KoreanToken));  // replaces the file
    EXPECT_EQ(nimbral::GetTokenFilePath(), TokenFile());
    EXPECT_EQ(nimbral::LoadToken(), KoreanToken);

    // The whole file is one blob, protected as the store's with its
    // description and nothing around it.
    std::string Blob = ReadAll(TokenFile());
    DATA_BLOB In{static_cast<DWORD>(Blob.size()), reinterpret_cast<BYTE*>(Blob.data())};
    DATA_BLOB Out{};
    LPWSTR Description = nullptr;
    ASSERT_TRUE(CryptUnprotectData(&In, &Description, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &Out));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Out.pbData), Out.cbData), KoreanToken);
    EXPECT_STREQ(Description, L"NimbralClient auth");
    LocalFree(Out.pbData);
    LocalFree(Description);
    EXPECT_EQ(std::distance(fs::directory_iterator(TokenFile().parent_path()), fs::directory_iterator()), 1);

    EXPECT_TRUE(nimbral::SaveToken(""));
    EXPECT_FALSE(fs::exists(TokenFile()));
}

TEST_F(WindowsTokenStore, DamagedFileIsDeletedAndEmptyFileStays)
{
    ASSERT_TRUE(nimbral::SaveToken(KoreanToken));
    WriteAll(TokenFile(), "not a protected blob");
    EXPECT_EQ(nimbral::LoadToken(), "");
    EXPECT_FALSE(fs::exists(TokenFile()));

    WriteAll(TokenFile(), "");
    EXPECT_EQ(nimbral::LoadToken(), "");
    EXPECT_TRUE(fs::exists(TokenFile()));
}

TEST_F(WindowsTokenStore, AppDataIsJoinedAsTheSystemJoinsPaths)
{
    fs::current_path(FRoot);
    SetAppData(std::nullopt);  // unset: relative to the current folder
    EXPECT_EQ(nimbral::GetTokenFilePath(), fs::path(L"NimbralClient\\auth.dat"));
    EXPECT_TRUE(fs::is_directory(FRoot / "NimbralClient"));

    SetAppData((FRoot / "Trailing").wstring() + L"\\");
    EXPECT_EQ(nimbral::GetTokenFilePath().wstring(), (FRoot / "Trailing").wstring() + L"\\NimbralClient\\auth.dat");

    // Characters no path may hold raise from the path and the load only.
    SetAppData((FRoot / "bad|name").wstring());
    EXPECT_THROW(nimbral::GetTokenFilePath(), std::runtime_error);
    EXPECT_THROW(nimbral::LoadToken(), std::runtime_error);
    EXPECT_FALSE(nimbral::SaveToken(KoreanToken));
    EXPECT_NO_THROW(nimbral::ClearToken());
}

}  // namespace
