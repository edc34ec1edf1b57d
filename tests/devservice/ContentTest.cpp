// The content host: the update manifest and its switches, and packages
// served from one folder and nowhere else.
#include "DevServiceFixture.h"
#include "crypto/TempFolder.h"

#include <fstream>

namespace nimbral::devservice::test {
namespace {

using nimbral::crypto::test::TTempFolder;

void WriteFile(const std::filesystem::path& APath, const std::string& AContent)
{
    std::ofstream(APath, std::ios::binary) << AContent;
}

TEST_F(DevServiceTest, DefaultManifestAsksForNoUpdate)
{
    const TAnswer A = Service.Get("/client/version.json");
    ASSERT_EQ(A.Status, 200);
    EXPECT_TRUE(A.Header("Content-Type").starts_with("application/json"));
    const json Manifest = A.Json();
    EXPECT_EQ(Manifest["version"], "0.0.0");
    EXPECT_EQ(Manifest["min_version"], "0.0.0");
    EXPECT_TRUE(Manifest["url"].get<std::string>().starts_with(Service.Origin() + "/client/packages/"));
}

TEST_F(DevServiceTest, ManifestSwitches)
{
    // Served as sent, number text included: the client reads numbers as written.
    const std::string Manifest = R"({"version":"1.2.0","min_version":"1.0.0","url":"http://x/p.zip","size":7.50})";
    ASSERT_EQ(Service.Post("/_control/manifest", Manifest).Status, 200);
    EXPECT_EQ(Service.Get("/client/version.json").Body, Manifest);
    Control("manifest", json::array({1, 2}));
    EXPECT_EQ(Service.Get("/client/version.json").Body, "[1,2]");

    for (const int Status : {404, 500}) {
        Control("manifest", {{"status", Status}});
        EXPECT_EQ(Service.Get("/client/version.json").Status, Status);
    }
    for (const char* Bad : {"{oops", R"({"status":200})", R"({"status":"404"})"}) {
        SCOPED_TRACE(Bad);
        EXPECT_EQ(Service.Post("/_control/manifest", Bad).Status, 400);
    }
    EXPECT_EQ(Service.Get("/client/version.json").Status, 500) << "a refused switch changes nothing";
    Control("reset");
    EXPECT_EQ(Service.Get("/client/version.json").Json()["version"], "0.0.0");
}

TEST(DevServicePackages, ServedFromTheFolderOnly)
{
    TTempFolder Root;
    const auto Folder = Root / "packages";
    std::filesystem::create_directories(Folder / "sub");
    const std::string Package = std::string("PK\x03\x04\0\0binary\xff\x00tail", 18) + '\0';
    WriteFile(Folder / "NimbralClient-1.2.0.zip", Package);
    WriteFile(Folder / "sub" / "inner.zip", "inner");
    WriteFile(Folder / ".hidden", "hidden");
    WriteFile(Root / "secret.txt", "SECRET");
    std::filesystem::create_symlink(Root / "secret.txt", Folder / "link.zip");
    TRunningService Service(Folder);

    const TAnswer A = Service.Get("/client/packages/NimbralClient-1.2.0.zip");
    ASSERT_EQ(A.Status, 200);
    EXPECT_EQ(A.Body, Package);
    EXPECT_EQ(A.Header("Content-Type"), "application/zip");

    for (const char* Name : {"../secret.txt", "..%2fsecret.txt", "%2e%2e%2fsecret.txt", "%2E%2E/secret.txt",
                             "sub/../../secret.txt", "..", "link.zip", ".hidden", "sub/inner.zip", "sub",
                             "missing.zip", "NimbralClient-1.2.0.zip%00.txt", "..\\secret.txt"}) {
        SCOPED_TRACE(Name);
        const TAnswer Refused = Service.Get(std::string("/client/packages/") + Name);
        EXPECT_EQ(Refused.Status, 404);
        EXPECT_EQ(Refused.Body.find("SECRET"), std::string::npos);
    }
}

TEST_F(DevServiceTest, NoPackagesWithoutAFolder)
{
    EXPECT_EQ(Service.Get("/client/packages/NimbralClient-0.0.0.zip").Status, 404);
}

}  // namespace
}  // namespace nimbral::devservice::test
