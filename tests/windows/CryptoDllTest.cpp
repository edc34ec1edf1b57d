// nimbral_crypto.dll as other programs use it: loaded with LoadLibraryW, its
// six functions found with GetProcAddress.
#include "support/HostProgram.h"
#include "support/Wine.h"

#include <windows.h>
#include <bcrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

namespace wintest = nimbral::wintest;
using TBytes = std::vector<unsigned char>;

struct TLibraryFree {
    void operator()(HMODULE M) const { FreeLibrary(M); }
};

// The six exports, resolved by name.
class TCryptoDll {
public:
    TCryptoDll() : FModule(LoadLibraryW(L"nimbral_crypto.dll"))
    {
        if (!FModule) {
            throw std::runtime_error("nimbral_crypto.dll does not load");
        }
        Resolve(DeriveKey, "Nimbral_DeriveKey");
        Resolve(EncryptFile, "Nimbral_EncryptFile");
        Resolve(DecryptFile, "Nimbral_DecryptFile");
        Resolve(EncryptBuffer, "Nimbral_EncryptBuffer");
        Resolve(DecryptBuffer, "Nimbral_DecryptBuffer");
        Resolve(Free, "Nimbral_Free");
    }

    HMODULE Module() const { return FModule.get(); }

    int(__stdcall* DeriveKey)(unsigned char*, int) = nullptr;
    int(__stdcall* EncryptFile)(const char*, const unsigned char*, int) = nullptr;
    int(__stdcall* DecryptFile)(const char*, unsigned char**, int*) = nullptr;
    int(__stdcall* EncryptBuffer)(const unsigned char*, int, unsigned char*, int*) = nullptr;
    int(__stdcall* DecryptBuffer)(const unsigned char*, int, unsigned char*, int*) = nullptr;
    void(__stdcall* Free)(unsigned char*) = nullptr;

    TBytes Seal(const TBytes& Plain) const
    {
        TBytes Out(Plain.size() + 49);
        int Length = static_cast<int>(Out.size());
        EXPECT_EQ(EncryptBuffer(Plain.data(), static_cast<int>(Plain.size()), Out.data(), &Length), 0);
        return Out;
    }

    int Open(const TBytes& Container, TBytes& Plain) const
    {
        Plain.assign(Container.size() > 49 ? Container.size() - 49 : 1, 0);
        int Length = static_cast<int>(Plain.size());
        const int Status = DecryptBuffer(Container.data(), static_cast<int>(Container.size()), Plain.data(), &Length);
        if (Status == 0) {
            Plain.resize(static_cast<std::size_t>(Length));
        }
        return Status;
    }

private:
    std::unique_ptr<std::remove_pointer_t<HMODULE>, TLibraryFree> FModule;

    template <typename F>
    void Resolve(F& Fn, const char* Name)
    {
        Fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(FModule.get(), Name)));
        if (Fn == nullptr) {
            throw std::runtime_error(std::string("nimbral_crypto.dll does not export ") + Name);
        }
    }
};

// The identity parts as this test reads them, apart from the library.
struct TIdentity {
    std::string Guid;
    std::uint32_t Serial = 0;
};

TIdentity ReadIdentity()
{
    TIdentity Id;
    HKEY Key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", 0, KEY_READ | KEY_WOW64_64KEY, &Key) ==
        ERROR_SUCCESS) {
        char Buffer[256] = {};
        DWORD Size = sizeof Buffer - 1;
        if (RegQueryValueExA(Key, "MachineGuid", nullptr, nullptr, reinterpret_cast<LPBYTE>(Buffer), &Size) == ERROR_SUCCESS) {
            Id.Guid = Buffer;
        }
        RegCloseKey(Key);
    }
    DWORD Serial = 0;
    if (GetVolumeInformationA("C:\\", nullptr, 0, &Serial, nullptr, nullptr, nullptr, 0)) {
        Id.Serial = Serial;
    }
    return Id;
}

std::array<unsigned char, 32> Sha256(const std::string& Text)
{
    std::array<unsigned char, 32> Digest{};
    BCRYPT_ALG_HANDLE Alg = nullptr;
    BCryptOpenAlgorithmProvider(&Alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    BCRYPT_HASH_HANDLE Hash = nullptr;
    BCryptCreateHash(Alg, &Hash, nullptr, 0, nullptr, 0, 0);
    BCryptHashData(Hash, reinterpret_cast<PUCHAR>(const_cast<char*>(Text.data())), static_cast<ULONG>(Text.size()), 0);
    BCryptFinishHash(Hash, Digest.data(), 32, 0);
    BCryptDestroyHash(Hash);
    BCryptCloseAlgorithmProvider(Alg, 0);
    return Digest;
}

TBytes ReadBytes(const std::filesystem::path& P)
{
    std::ifstream In(P, std::ios::binary);
    return TBytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& P, const TBytes& Data)
{
    std::ofstream(P, std::ios::binary).write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
}

class CryptoDllTest : public ::testing::Test {
protected:
    TCryptoDll Dll;
    std::filesystem::path Folder;

    void SetUp() override
    {
        Folder = std::filesystem::temp_directory_path() /
                 ("nimbral-crypto-" + std::to_string(GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Folder);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }
};

TEST_F(CryptoDllTest, ExportsExactlyTheSixUndecoratedNames)
{
    const auto* Base = reinterpret_cast<const unsigned char*>(Dll.Module());
    const auto* Dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base);
    const auto* Nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + Dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& Dir = Nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* Exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(Base + Dir.VirtualAddress);
    const auto* Names = reinterpret_cast<const DWORD*>(Base + Exports->AddressOfNames);
    std::set<std::string> Found;
    for (DWORD I = 0; I < Exports->NumberOfNames; ++I) {
        Found.insert(reinterpret_cast<const char*>(Base + Names[I]));
    }
    EXPECT_EQ(Exports->NumberOfFunctions, 6u);
    EXPECT_EQ(Found, (std::set<std::string>{"Nimbral_DecryptBuffer", "Nimbral_DecryptFile", "Nimbral_DeriveKey",
                                            "Nimbral_EncryptBuffer", "Nimbral_EncryptFile", "Nimbral_Free"}));
}

TEST_F(CryptoDllTest, MachineKeyIsTheHashOfGuidSerialAndSuffix)
{
    const TIdentity Id = ReadIdentity();
    EXPECT_FALSE(Id.Guid.empty()) << "the registry holds a MachineGuid";
    char Serial[9];
    std::snprintf(Serial, sizeof Serial, "%08X", static_cast<unsigned>(Id.Serial));
    const auto Expected = Sha256(Id.Guid + Serial + "Vostrel-k4");

    std::array<unsigned char, 40> Out{};
    Out.fill(0xAA);
    ASSERT_EQ(Dll.DeriveKey(Out.data(), 40), 0);
    EXPECT_TRUE(std::equal(Expected.begin(), Expected.end(), Out.begin()));
    EXPECT_TRUE(std::all_of(Out.begin() + 32, Out.end(), [](unsigned char C) { return C == 0xAA; }))
        << "exactly 32 bytes written";
    std::array<unsigned char, 32> Again{};
    ASSERT_EQ(Dll.DeriveKey(Again.data(), 32), 0);
    EXPECT_TRUE(std::equal(Again.begin(), Again.end(), Out.begin()));
    EXPECT_EQ(Dll.DeriveKey(Again.data(), 31), -1);
    EXPECT_EQ(Dll.DeriveKey(nullptr, 32), -1);
}

TEST_F(CryptoDllTest, BufferRoundTripsAndSizes)
{
    for (std::size_t Size : {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{4097}}) {
        TBytes Plain(Size);
        for (std::size_t I = 0; I < Size; ++I) {
            Plain[I] = static_cast<unsigned char>(I * 31 + 7);
        }
        const TBytes Container = Dll.Seal(Plain);
        ASSERT_EQ(Container.size(), Size + 49);
        EXPECT_TRUE(std::equal(Container.begin(), Container.begin() + 5, "NBSC\x01"));
        TBytes Back;
        ASSERT_EQ(Dll.Open(Container, Back), 0) << Size;
        EXPECT_EQ(Back, Plain);
    }
    const TBytes Once = Dll.Seal({1, 2, 3});
    const TBytes Twice = Dll.Seal({1, 2, 3});
    for (auto [From, To] : {std::pair{5, 21}, std::pair{21, 33}, std::pair{33, 36}, std::pair{36, 52}}) {
        EXPECT_FALSE(std::equal(Once.begin() + From, Once.begin() + To, Twice.begin() + From)) << From;
    }
}

TEST_F(CryptoDllTest, BufferCapacityAndArgumentCodes)
{
    const unsigned char Src[3] = {1, 2, 3};
    unsigned char Out[64];
    int Length = 0;
    EXPECT_EQ(Dll.EncryptBuffer(Src, 3, Out, &Length), -2);
    EXPECT_EQ(Length, 52);
    EXPECT_EQ(Dll.EncryptBuffer(Src, 3, Out, &Length), 0);
    EXPECT_EQ(Length, 52);
    EXPECT_EQ(Dll.EncryptBuffer(nullptr, 3, Out, &Length), -1);
    EXPECT_EQ(Dll.EncryptBuffer(Src, 0, Out, &Length), -1);
    EXPECT_EQ(Dll.EncryptBuffer(Src, 3, Out, nullptr), -1);

    unsigned char Plain[3];
    int PlainLength = 2;
    EXPECT_EQ(Dll.DecryptBuffer(Out, 52, Plain, &PlainLength), -4);
    EXPECT_EQ(PlainLength, 3);
    EXPECT_EQ(Dll.DecryptBuffer(Out, 49, Plain, &PlainLength), -1);
    EXPECT_EQ(Dll.DecryptBuffer(Out, 52, Plain, &PlainLength), 0);
    Dll.Free(nullptr);
}

TEST_F(CryptoDllTest, AlteredContainersDoNotOpen)
{
    const TBytes Container = Dll.Seal(TBytes(40, 0x5A));
    struct TCase {
        std::size_t Offset;
        unsigned char Mask;
        int Buffer;
        int File;
    };
    const TCase Cases[] = {
        {0, 0x01, -2, -4},                     // magic
        {4, 0x03, -3, -5},                     // version
        {5, 0x80, -7, -10},                    // salt
        {21, 0x01, -7, -10},                   // nonce
        {33, 0x10, -7, -10},                   // ciphertext
        {Container.size() - 1, 0x01, -7, -10}, // tag
    };
    for (const TCase& C : Cases) {
        TBytes Bad = Container;
        Bad[C.Offset] ^= C.Mask;
        TBytes Plain;
        EXPECT_EQ(Dll.Open(Bad, Plain), C.Buffer) << "offset " << C.Offset;

        const std::string Path = (Folder / "bad.nbsc").string();
        WriteBytes(Path, Bad);
        unsigned char* Data = nullptr;
        int Size = -1;
        EXPECT_EQ(Dll.DecryptFile(Path.c_str(), &Data, &Size), C.File) << "offset " << C.Offset;
        EXPECT_EQ(Data, nullptr);
        EXPECT_EQ(Size, -1);
    }
}

TEST_F(CryptoDllTest, FileRoundTripAndShortFiles)
{
    const std::string Path = (Folder / "sealed.nbsc").string();
    const TBytes Plain = {'h', 'e', 'l', 'l', 'o'};
    ASSERT_EQ(Dll.EncryptFile(Path.c_str(), Plain.data(), 5), 0);
    EXPECT_EQ(std::filesystem::file_size(Path), 54u);
    unsigned char* Data = nullptr;
    int Size = 0;
    ASSERT_EQ(Dll.DecryptFile(Path.c_str(), &Data, &Size), 0);
    EXPECT_EQ(TBytes(Data, Data + Size), Plain);
    Dll.Free(Data);

    WriteBytes(Path, TBytes(49, 0));
    EXPECT_EQ(Dll.DecryptFile(Path.c_str(), &Data, &Size), -3);
    EXPECT_EQ(Dll.DecryptFile((Folder / "missing").string().c_str(), &Data, &Size), -2);
    EXPECT_EQ(Dll.EncryptFile(Path.c_str(), Plain.data(), 0), -1);
    EXPECT_EQ(Dll.EncryptFile((Folder / "no" / "such" / "folder").string().c_str(), Plain.data(), 5), -6);
}

TEST_F(CryptoDllTest, VolumeSerialOfTheSystemVolumeIsReal)
{
    // Wine derives C:'s serial from its own prefix, not from a formatted
    // volume: whether it tells machines apart is for a real Windows runner.
    NIMBRAL_SKIP_UNDER_WINE("the uniqueness of the volume serial");
    EXPECT_NE(ReadIdentity().Serial, 0u);
}

// Byte compatibility with the Linux build, through the identity seam: the
// Linux peer plays this machine with the GUID and serial read here.
class CryptoCompatibilityTest : public CryptoDllTest {
protected:
    long RunPeer(const std::string& Mode, const std::string& Guid, std::uint32_t Serial, const std::string& In,
                 const std::string& Out)
    {
        const std::string Status = wintest::HostScratchPath("peer") + ".status";
        wintest::StartHostProgram(wintest::HostCryptoPeer(), {Mode, Guid, std::to_string(Serial), In, Out, Status});
        return wintest::WaitForHostNumber(Status, std::chrono::seconds(30));
    }
};

TEST_F(CryptoCompatibilityTest, DllSealedOpensOnLinuxAndLinuxSealedOpensWithTheDll)
{
    const TIdentity Id = ReadIdentity();
    ASSERT_FALSE(Id.Guid.empty());
    const TBytes Plain = {0x00, 0xFF, 'N', 'B', 'S', 'C', 0xED, 0x95, 0x9C, '\n', '\r'};

    // DLL -> Linux.
    const std::string Sealed = wintest::HostScratchPath("dll-sealed");
    const std::string Opened = wintest::HostScratchPath("linux-opened");
    ASSERT_EQ(Dll.EncryptFile(wintest::HostPathToWindows(Sealed).string().c_str(), Plain.data(),
                              static_cast<int>(Plain.size())),
              0);
    ASSERT_EQ(RunPeer("open", Id.Guid, Id.Serial, Sealed, Opened), 0);
    EXPECT_EQ(ReadBytes(wintest::HostPathToWindows(Opened)), Plain);
    // Another machine (one GUID character changed) cannot open it.
    std::string Other = Id.Guid;
    Other[0] = Other[0] == '0' ? '1' : '0';
    EXPECT_EQ(RunPeer("open", Other, Id.Serial, Sealed, Opened + ".other"), -10);
    EXPECT_EQ(RunPeer("open", Id.Guid, Id.Serial + 1, Sealed, Opened + ".other"), -10);

    // Linux -> DLL.
    const std::string Source = wintest::HostScratchPath("plain");
    const std::string LinuxSealed = wintest::HostScratchPath("linux-sealed");
    WriteBytes(wintest::HostPathToWindows(Source), Plain);
    ASSERT_EQ(RunPeer("seal", Id.Guid, Id.Serial, Source, LinuxSealed), 0);
    unsigned char* Data = nullptr;
    int Size = 0;
    ASSERT_EQ(Dll.DecryptFile(wintest::HostPathToWindows(LinuxSealed).string().c_str(), &Data, &Size), 0);
    EXPECT_EQ(TBytes(Data, Data + Size), Plain);
    Dll.Free(Data);
    for (const std::string& F : {Sealed, Opened, Source, LinuxSealed}) {
        std::filesystem::remove(wintest::HostPathToWindows(F));
    }
}

}  // namespace
