#include "update/UpdateInstall.h"

#include "core/Text.h"
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

// Deletes Dir with its content as far as it goes: an entry that cannot be
// deleted stays, and the walk goes on with the others. True when nothing of
// Dir is left.
bool DeleteFolderTree(const fs::path& Dir, const TUpdateFileOps& Ops) {
    std::error_code ec;
    for (fs::directory_iterator it(Dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind) && !it->is_symlink(kind))
            DeleteFolderTree(it->path(), Ops);
        else
            Ops.Delete(it->path());
    }
    fs::remove(Dir, ec);
    return !fs::exists(fs::symlink_status(Dir, ec));
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
        if (!Info.Sha256.empty() && !SameTextNoCase(Info.Sha256, hash)) {
            std::error_code ignored;
            fs::remove(paths.Package, ignored);
            return {false, kFailVerify};
        }

        status(kStatusExtracting);
        // Every file of the staging folder is installed: what an earlier try
        // left there and could not be deleted must not go in with this
        // version, so the sequence stops rather than unpack over it.
        if (!DeleteFolderTree(paths.Staging, Env.Ops))
            throw std::runtime_error("압축 해제 폴더를 비울 수 없습니다: " + PathText(paths.Staging));
        const fs::path program = Env.ProgramFile.empty() ? platform::RunningProgramFile() : Env.ProgramFile;
        if (!ExtractZip(paths.Package, paths.Staging, program.parent_path()))
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
