// The content host: the update manifest, and the update packages of a
// folder given on the command line.
#include "Replies.h"
#include "Routes.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <system_error>

namespace nimbral::devservice {

namespace {

namespace fs = std::filesystem;

// Until a test sets another, the manifest asks no build to update.
nlohmann::json DefaultManifest(const std::string& AOrigin)
{
    return {
        {"version", "0.0.0"},
        {"min_version", "0.0.0"},
        {"url", AOrigin + "/client/packages/NimbralClient-0.0.0.zip"},
        {"sha256", ""},
        {"size", 0},
        {"notes", ""},
        {"released_at", ""},
    };
}

// One file name of the folder itself: no separator, nothing hidden, so no
// "." or ".." either.
bool IsPackageName(const std::string& AName)
{
    static const std::string Forbidden("/\\\0", 3);  // separators and NUL
    return !AName.empty() && !AName.starts_with('.') && AName.find_first_of(Forbidden) == std::string::npos;
}

const char* ContentTypeOf(const std::string& AName)
{
    return AName.ends_with(".zip") ? "application/zip" : "application/octet-stream";
}

void ServePackage(const fs::path& AFolder, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const std::string Name = ARequest.matches[1].str();
    const fs::path Path = AFolder / Name;
    std::error_code Error;
    std::uintmax_t Size = 0;
    std::shared_ptr<std::ifstream> File;
    // A symbolic link could lead out of the folder: only plain files go out.
    if (!AFolder.empty() && IsPackageName(Name) && fs::is_regular_file(fs::symlink_status(Path, Error))) {
        Size = fs::file_size(Path, Error);
        File = std::make_shared<std::ifstream>(Path, std::ios::binary);
    }
    if (!File || Error || !*File) {
        AResponse.status = 404;
        AResponse.set_content("no such package", "text/plain");
        return;
    }
    AResponse.set_content_provider(
        Size, ContentTypeOf(Name), [File](std::size_t AOffset, std::size_t ALength, httplib::DataSink& ASink) {
            char Buffer[64 * 1024];
            File->seekg(static_cast<std::streamoff>(AOffset));
            File->read(Buffer, static_cast<std::streamsize>(std::min(ALength, sizeof Buffer)));
            const auto Got = File->gcount();
            return Got > 0 && ASink.write(Buffer, static_cast<std::size_t>(Got));
        });
}

}  // namespace

void AddContentRoutes(TRoutes& ARoutes, const std::filesystem::path& APackagesDir)
{
    TServiceState& State = ARoutes.State();

    ARoutes.Get("/client/version.json", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        const TManifest Manifest = State.Manifest();
        if (Manifest.Status != 200) {
            SendJson(AResponse, Manifest.Status,
                     {{"success", false}, {"message", "업데이트 정보를 제공할 수 없습니다."}});
            return;
        }
        AResponse.set_header("Cache-Control", "no-store");
        AResponse.set_content(Manifest.Body.empty() ? DefaultManifest(OriginOf(ARequest)).dump() : Manifest.Body,
                              "application/json; charset=utf-8");
    });
    ARoutes.Get("/client/packages/(.+)",
                [Folder = APackagesDir](const httplib::Request& ARequest, httplib::Response& AResponse) {
                    ServePackage(Folder, ARequest, AResponse);
                });
}

}  // namespace nimbral::devservice
