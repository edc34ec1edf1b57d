#pragma once
// The self-update engine: the update manifest, download, verification,
// unpacking, the swap of the program's files and the clean-up of what a swap
// leaves behind. Toolkit-free; the update window only shows what it reports.
//
// Operations return Booleans for the outcomes the update window tells apart;
// errors of the file system (a file that cannot be deleted or created, a
// damaged archive entry) are raised and reported by the caller.

#include "platform/FileOps.h"
#include "platform/ProcessStart.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral {

// The update manifest, "/client/version.json" on the content origin.
struct TUpdateInfo {
    std::string Version;     // newest version
    std::string MinVersion;  // lowest version that may run
    std::string Url;         // the update package, a ZIP archive
    std::string Sha256;      // expected SHA-256 of the package, lower case; empty: not checked
    std::int64_t Size = 0;   // package size as the manifest states it; compared with nothing
    std::string Notes;
    std::string ReleasedAt;
};

struct TManifestTimeouts {
    std::int32_t ConnectMs = 5000;
    std::int32_t ResponseMs = 5000;
};

// Reads the manifest at Url. True when it was read and both Version and Url
// are non-empty; Info keeps whatever was read in either case. Every failure
// (no answer, a status other than 200, a body that is not a JSON object, a
// member that does not convert) gives false.
bool FetchUpdateInfo(const std::string& Url, TUpdateInfo& Info,
                     const TManifestTimeouts& Timeouts = {});

// The decision at start: this build must update exactly when it is older than
// the manifest's lowest allowed version.
bool IsUpdateRequired(std::string_view CurrentVersion, const TUpdateInfo& Info);

// Bytes received so far and the total the server announced (0 or negative
// when it announced none).
using TProgressProc = std::function<void(std::int64_t Received, std::int64_t Total)>;

// Streams Url into Dest, reporting progress after every chunk. True when the
// server answered 200 and the body was written. A status other than 200
// leaves no file; a transfer that breaks off returns false and keeps the
// partial file (the next call replaces it).
bool DownloadFile(const std::string& Url, const std::filesystem::path& Dest,
                  const TProgressProc& Progress, std::int32_t ConnectTimeoutMs = 10000);

// SHA-256 of the file's content as 64 lower-case hexadecimal digits. Raises
// when the file cannot be opened or read.
std::string FileSha256(const std::filesystem::path& File);

// A ZIP entry name made safe to join to a folder: a relative path with "\"
// separators ("/" and "\" both separate), without "." and empty parts. Empty
// when the name is rejected (absolute, a drive letter, any ".." part) or has
// nothing left.
std::string SafeZipEntryPath(std::string_view Name);

// Unpacks every file entry of ZipFile below DestDir (stored, deflate and
// Deflate64 entries). Entries whose names are unsafe, folder entries and
// symbolic links are skipped. False only when the archive cannot be opened;
// a damaged entry, an unsupported method or a file that cannot be written
// raises.
//
// Permission bits (where files have them) come from the archive's Unix
// modes. ReplacedDir is the folder whose files the unpacked ones will
// replace (the program folder): an entry without a Unix mode, as archives
// made on Windows have, takes the mode of the file it will replace (0644 for
// a new one), and a replaced file's execute bits are always kept, so a
// package that records none cannot install a program that does not start.
bool ExtractZip(const std::filesystem::path& ZipFile, const std::filesystem::path& DestDir,
                const std::filesystem::path& ReplacedDir = {});

// Appends every file below Dir, all sub-folders included; nothing when Dir is
// not a folder.
void CollectFiles(const std::filesystem::path& Dir, std::vector<std::filesystem::path>& List);

// The file operations of a swap, one seam so that each step can be made to
// fail. The defaults are the platform's.
struct TUpdateFileOps {
    std::function<bool(const std::filesystem::path&, const std::filesystem::path&)> Rename =
        platform::RenameNoReplace;
    std::function<bool(const std::filesystem::path&, const std::filesystem::path&)> Copy =
        platform::CopyFileReplace;
    std::function<bool(const std::filesystem::path&)> Delete = platform::DeleteFileNoThrow;
    std::function<bool(const std::filesystem::path&)> ScheduleDelete =
        platform::ScheduleDeleteAtRestart;
    std::function<bool(const std::filesystem::path&, const std::filesystem::path&)> Start =
        platform::StartProgramDetached;
};

// Where an update installs itself. Empty paths stand for the running program
// file and the user's temporary folder.
struct TUpdateEnvironment {
    std::filesystem::path ProgramFile;
    std::filesystem::path TempFolder;
    TUpdateFileOps Ops;
};

// What one swap did so far, in order, for undoing it.
struct TSwapLists {
    std::vector<std::filesystem::path> Backups;         // targets renamed to "<target>.old"
    std::vector<std::filesystem::path> Installed;       // targets holding new content
    std::vector<std::filesystem::path> CreatedFolders;  // folders made for new files, outermost first
};

// Moves the files below StagingDir into the program folder (each replaced
// file kept as "<name>.old"), then starts the new program in its folder and
// requests termination. On any failure, the failed start included, every
// step is undone in reverse order and the result is false. A file that cannot
// be deleted (a stray part of a failed copy, an installed file) raises, but
// only once the undo has put back everything else it could.
bool ApplyUpdate(const std::filesystem::path& StagingDir, const TUpdateEnvironment& Env = {});

// Undo steps of a swap, newest first. Each goes on past a file that cannot
// be deleted and raises for the first one at its end. RemoveInstalled also
// removes the folders made for new files when they are empty again.
void RemoveInstalled(const TSwapLists& Lists, const TUpdateFileOps& Ops);
void RestoreBackups(const TSwapLists& Lists, const TUpdateFileOps& Ops);

// Deletes every "*.old" file below Dir (the running program's folder when
// Dir is empty), scheduling for deletion at restart what cannot be deleted
// now. Never fails.
void CleanupOldFiles(const std::filesystem::path& Dir, const TUpdateFileOps& Ops = {});

}  // namespace nimbral
