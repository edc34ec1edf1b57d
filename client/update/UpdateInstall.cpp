#include "update/UpdateInstall.h"

#include "platform/SpecialFolders.h"
#include "update/PathText.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace nimbral {

namespace fs = std::filesystem;

namespace {

bool UsableInFileName(const std::string& Text) {
    return std::none_of(Text.begin(), Text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
    });
}

bool SameHash(std::string A, std::string B) {
    const auto lower = [](std::string& S) {
        for (char& c : S)
            c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    };
    lower(A);
    lower(B);
    return A == B;
}

}  // namespace

TUpdatePaths UpdatePaths(const std::string& Version, const fs::path& TempFolder) {
    if (!UsableInFileName(Version))
        throw std::invalid_argument("업데이트 버전을 파일 이름에 쓸 수 없습니다: " + Version);
    return {TempFolder / PathFromUtf8("NimbralClient-" + Version + ".zip"),
            TempFolder / PathFromUtf8("NimbralClient-update-" + Version)};
}

TInstallOutcome InstallUpdate(const TUpdateInfo& Info, const TInstallCallbacks& Callbacks,
                              const TUpdateEnvironment& Env) {
    const fs::path temp = Env.TempFolder.empty() ? platform::UserTempFolder() : Env.TempFolder;
    const TUpdatePaths paths = UpdatePaths(Info.Version, temp);
    const auto status = [&](const char* Text) {
        if (Callbacks.Status)
            Callbacks.Status(Text);
    };

    try {
        status(kStatusDownloading);
        if (!DownloadFile(Info.Url, paths.Package, Callbacks.Progress))
            return {false, kFailDownload};

        status(kStatusVerifying);
        const std::string hash = FileSha256(paths.Package);
        if (!Info.Sha256.empty() && !SameHash(Info.Sha256, hash)) {
            std::error_code ignored;
            fs::remove(paths.Package, ignored);
            return {false, kFailVerify};
        }

        status(kStatusExtracting);
        std::error_code ignored;
        fs::remove_all(paths.Staging, ignored);  // as far as it goes; leftovers are overwritten
        if (!ExtractZip(paths.Package, paths.Staging))
            return {false, kFailExtract};

        status(kStatusReplacing);
        if (!ApplyUpdate(paths.Staging, Env))
            return {false, kFailReplace};
    } catch (const std::exception& e) {
        return {false, std::string(kErrorPrefix) + e.what()};
    }
    return {true, {}};
}

}  // namespace nimbral
