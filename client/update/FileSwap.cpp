// The swap of the program's files. Every file about to be replaced is first
// renamed to "<name>.old" (a running program file can be renamed but not
// deleted), then the staged files are moved in; any failure undoes the work
// newest first, so the program folder is left as it was.

#include "platform/SpecialFolders.h"
#include "update/PathText.h"
#include "update/ProgramLifetime.h"
#include "update/Updater.h"

#include <exception>
#include <stdexcept>
#include <system_error>

namespace nimbral {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& P) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(P, ec));
}

fs::path OldName(const fs::path& P) {
    fs::path old = P;
    old += ".old";
    return old;
}

void DeleteOrRaise(const fs::path& P, const TUpdateFileOps& Ops) {
    if (!Ops.Delete(P))
        throw std::runtime_error("파일을 삭제할 수 없습니다: " + PathText(P));
}

// Makes Dir with its missing parents, noting each folder made.
void MakeFolders(const fs::path& Dir, std::vector<fs::path>& Made, std::error_code& Ec) {
    std::vector<fs::path> missing;
    for (fs::path p = Dir; !p.empty() && !Exists(p); p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!fs::create_directory(*it, Ec) || Ec) {
            if (!Ec)
                Ec = std::make_error_code(std::errc::not_a_directory);
            return;
        }
        Made.push_back(*it);
    }
}

// Runs Step, and hands back the error it raised for a file that cannot be
// deleted instead of letting it end the undo.
template <class TStep>
std::exception_ptr Attempt(TStep Step) {
    try {
        Step();
    } catch (const std::runtime_error&) {
        return std::current_exception();
    }
    return nullptr;
}

// Step for every path, newest first, going on past a file that cannot be
// deleted so that whatever else can still be put back is; the first failure
// is handed back.
template <class TStep>
std::exception_ptr EveryNewestFirst(const std::vector<fs::path>& Paths, TStep Step) {
    std::exception_ptr first;
    for (auto it = Paths.rbegin(); it != Paths.rend(); ++it) {
        std::exception_ptr failed = Attempt([&] { Step(*it); });
        if (!first)
            first = failed;
    }
    return first;
}

void RaiseIf(const std::exception_ptr& Failed) {
    if (Failed)
        std::rethrow_exception(Failed);
}

// Both undo steps always run, the second even when the first could not
// delete a file; the failure is reported after them.
void Undo(const TSwapLists& Lists, const TUpdateFileOps& Ops) {
    const std::exception_ptr failed = Attempt([&] { RemoveInstalled(Lists, Ops); });
    RestoreBackups(Lists, Ops);
    RaiseIf(failed);
}

}  // namespace

void CollectFiles(const fs::path& Dir, std::vector<fs::path>& List) {
    std::error_code ec;
    if (!fs::is_directory(Dir, ec))
        return;
    for (const auto& entry : fs::recursive_directory_iterator(Dir)) {
        if (!entry.is_directory())
            List.push_back(entry.path());
    }
}

void RemoveInstalled(const TSwapLists& Lists, const TUpdateFileOps& Ops) {
    const std::exception_ptr failed = EveryNewestFirst(Lists.Installed, [&](const fs::path& P) {
        if (Exists(P))
            DeleteOrRaise(P, Ops);
    });
    for (auto it = Lists.CreatedFolders.rbegin(); it != Lists.CreatedFolders.rend(); ++it) {
        std::error_code ec;
        fs::remove(*it, ec);  // only an empty folder goes
    }
    RaiseIf(failed);
}

void RestoreBackups(const TSwapLists& Lists, const TUpdateFileOps& Ops) {
    RaiseIf(EveryNewestFirst(Lists.Backups, [&](const fs::path& P) {
        if (Exists(P))
            DeleteOrRaise(P, Ops);
        Ops.Rename(OldName(P), P);
    }));
}

bool ApplyUpdate(const fs::path& StagingDir, const TUpdateEnvironment& Env) {
    const TUpdateFileOps& ops = Env.Ops;
    const fs::path programFile =
        Env.ProgramFile.empty() ? platform::RunningProgramFile() : Env.ProgramFile;
    const fs::path programDir = programFile.parent_path();

    std::vector<fs::path> newFiles;
    CollectFiles(StagingDir, newFiles);
    if (newFiles.empty())
        return false;

    // Sub-folders of the staging folder map onto sub-folders of the program folder.
    std::vector<fs::path> targets;
    targets.reserve(newFiles.size());
    for (const auto& f : newFiles)
        targets.push_back(programDir / f.lexically_relative(StagingDir));

    TSwapLists lists;
    for (const auto& target : targets) {
        if (!Exists(target))
            continue;
        const fs::path old = OldName(target);
        if (Exists(old) && !ops.Delete(old))
            ops.ScheduleDelete(old);
        if (!ops.Rename(target, old)) {
            RestoreBackups(lists, ops);
            return false;
        }
        lists.Backups.push_back(target);
    }

    for (std::size_t i = 0; i < newFiles.size(); ++i) {
        const fs::path& target = targets[i];
        // A folder that cannot be made is a failed step like any other: left
        // to raise, it would leave the program file renamed away.
        std::error_code ec;
        MakeFolders(target.parent_path(), lists.CreatedFolders, ec);
        bool placed = !ec && ops.Rename(newFiles[i], target);
        if (!placed && !ec && ops.Copy(newFiles[i], target)) {
            placed = true;
            ops.Delete(newFiles[i]);
        }
        if (!placed) {
            // The back-up pass moved every existing target away, so whatever
            // stands here now is what a failed copy left half-written. When
            // it cannot be deleted the undo still runs first: the program
            // file must not stay renamed away because of a stray part.
            const bool stray = !ec && Exists(target) && !ops.Delete(target);
            Undo(lists, ops);
            if (stray)
                throw std::runtime_error("파일을 삭제할 수 없습니다: " + PathText(target));
            return false;
        }
        lists.Installed.push_back(target);
    }

    const TGuardHandOver& guard = GuardHandOver();
    if (guard.Release)
        guard.Release();
    if (!ops.Start(programFile, programDir)) {
        if (guard.Retake)
            guard.Retake();
        Undo(lists, ops);
        return false;
    }
    RequestTermination();
    return true;
}

void CleanupOldFiles(const fs::path& Dir, const TUpdateFileOps& Ops) {
    try {
        const fs::path dir = Dir.empty() ? platform::RunningProgramFile().parent_path() : Dir;
        std::error_code ec;
        if (!fs::is_directory(dir, ec))
            return;
        std::vector<fs::path> old;
        fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const std::string name = PathText(it->path().filename());
            if (!it->is_directory(ec) && name.ends_with(".old"))
                old.push_back(it->path());
        }
        if (ec)
            return;
        for (const auto& f : old) {
            if (!Ops.Delete(f))
                Ops.ScheduleDelete(f);
        }
    } catch (...) {
        // Clean-up is best effort: what stays is taken at the next start.
    }
}

}  // namespace nimbral
