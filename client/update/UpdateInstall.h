#pragma once
// The installation sequence the update window runs when its button is
// pressed: download, verification, unpacking, swap. It reports each step's
// status text and the download progress through callbacks, so the window only
// shows what it is told, and returns either success or the text to show.

#include "update/Updater.h"

#include <filesystem>
#include <functional>
#include <string>

namespace nimbral {

inline constexpr char kStatusDownloading[] = "다운로드 시작...";
inline constexpr char kStatusVerifying[] = "파일 검증 중...";
inline constexpr char kStatusExtracting[] = "압축 해제 중...";
inline constexpr char kStatusReplacing[] = "파일 교체 중...";

inline constexpr char kFailDownload[] = "다운로드 실패. 네트워크를 확인하고 재시도하세요.";
inline constexpr char kFailVerify[] = "검증 실패: 파일이 손상되었습니다. 재시도하세요.";
inline constexpr char kFailExtract[] = "압축 해제 실패.";
inline constexpr char kFailReplace[] = "파일 교체 실패. 다시 시도해 주세요.";
inline constexpr char kErrorPrefix[] = "업데이트 오류: ";

struct TInstallCallbacks {
    std::function<void(const std::string& Text)> Status;  // a step begins
    TProgressProc Progress;                               // download progress
};

struct TInstallOutcome {
    bool Installed = false;   // the new build runs and termination is requested
    std::string FailureText;  // what to show when not installed
};

// The package file and the staging folder of one version in TempFolder:
// "NimbralClient-<version>.zip" and "NimbralClient-update-<version>".
struct TUpdatePaths {
    std::filesystem::path Package;
    std::filesystem::path Staging;
};

// Raises std::invalid_argument for a version text that cannot be part of a
// file name (a separator, a drive colon, a wildcard, a control character):
// the version must never lead the package or the staging folder, which is
// deleted with its content, out of the temporary folder.
TUpdatePaths UpdatePaths(const std::string& Version, const std::filesystem::path& TempFolder);

// Runs the sequence for Info. The paths are composed first, outside the
// guarded steps: an unusable version text raises from here. Every other
// error ends the sequence with "업데이트 오류: " and its message.
TInstallOutcome InstallUpdate(const TUpdateInfo& Info, const TInstallCallbacks& Callbacks,
                              const TUpdateEnvironment& Env = {});

}  // namespace nimbral
