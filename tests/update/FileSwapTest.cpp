// The swap of the program's files in a temporary program folder, with the
// file operations behind the seam so that any one of them can be made to fail.

#include "update/ProgramLifetime.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <stdexcept>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::Snapshot;
using test::WriteFile;

// Counts the renames, copies and starts of a swap and can make one of them,
// by its number, fail.
struct TFaultyOps {
    int Calls = 0;
    int FailAt = 0;  // 0: none fails
    bool StagedRenamesFail = false;  // forces the copy path of the install pass
    fs::path Staging;
    std::vector<std::pair<fs::path, fs::path>> Starts;

    bool Step() { return ++Calls != FailAt; }

    TUpdateFileOps Ops() {
        TUpdateFileOps ops;
        ops.Rename = [this](const fs::path& From, const fs::path& To) {
            if (!Step())
                return false;
            const auto rel = From.lexically_relative(Staging);
            if (StagedRenamesFail && !rel.empty() && *rel.begin() != "..")
                return false;
            return platform::RenameNoReplace(From, To);
        };
        ops.Copy = [this](const fs::path& From, const fs::path& To) {
            return Step() && platform::CopyFileReplace(From, To);
        };
        ops.Start = [this](const fs::path& Program, const fs::path& Dir) {
            Starts.emplace_back(Program, Dir);
            return Step();
        };
        return ops;
    }
};

class FileSwap : public ::testing::Test {
protected:
    test::TTempDir FTmp;
    fs::path FProgramDir = FTmp / "program";
    fs::path FProgram = FProgramDir / "NimbralClient";
    fs::path FStaging = FTmp / "staging";
    int FReleased = 0;
    int FRetaken = 0;

    void SetUp() override {
        SetGuardHandOver({[this] { ++FReleased; }, [this] { ++FRetaken; }});
        Reset();
    }

    // A program folder with the program and a library, and a staging folder
    // that replaces both and adds a file in new sub-folders.
    void Reset() {
        ClearTerminationRequest();
        FReleased = FRetaken = 0;
        fs::remove_all(FProgramDir);
        fs::remove_all(FStaging);
        WriteFile(FProgram, "old program");
        WriteFile(FProgramDir / "lib" / "keep.dll", "kept as it is");
        WriteFile(FProgramDir / "lib" / "y.dll", "old y");
        WriteFile(FStaging / "NimbralClient", "new program");
        WriteFile(FStaging / "lib" / "y.dll", "new y");
        WriteFile(FStaging / "data" / "sub" / "z.txt", "new z");
    }
    void TearDown() override {
        SetGuardHandOver({});
        ClearTerminationRequest();
    }

    TUpdateEnvironment Env(TFaultyOps& Faults) {
        Faults.Staging = FStaging;
        return TUpdateEnvironment{FProgram, {}, Faults.Ops()};
    }
};

TEST_F(FileSwap, MovesTheNewFilesInAndStartsTheProgram) {
    TFaultyOps faults;
    ASSERT_TRUE(ApplyUpdate(FStaging / "", Env(faults)));  // a trailing separator changes nothing

    EXPECT_EQ(ReadFile(FProgram), "new program");
    EXPECT_EQ(ReadFile(FProgramDir / "NimbralClient.old"), "old program");
    EXPECT_EQ(ReadFile(FProgramDir / "lib" / "y.dll"), "new y");
    EXPECT_EQ(ReadFile(FProgramDir / "lib" / "y.dll.old"), "old y");
    EXPECT_EQ(ReadFile(FProgramDir / "lib" / "keep.dll"), "kept as it is");
    EXPECT_EQ(ReadFile(FProgramDir / "data" / "sub" / "z.txt"), "new z");
    EXPECT_FALSE(fs::exists(FProgramDir / "data" / "sub" / "z.txt.old"));

    ASSERT_EQ(faults.Starts.size(), 1u);
    EXPECT_EQ(faults.Starts[0].first, FProgram);
    EXPECT_EQ(faults.Starts[0].second, FProgramDir);
    EXPECT_EQ(FReleased, 1);
    EXPECT_EQ(FRetaken, 0);
    EXPECT_TRUE(TerminationRequested());
}

TEST_F(FileSwap, CopiesWhenTheStagedFileCannotBeMoved) {
    TFaultyOps faults;
    faults.StagedRenamesFail = true;
    ASSERT_TRUE(ApplyUpdate(FStaging, Env(faults)));
    EXPECT_EQ(ReadFile(FProgram), "new program");
    EXPECT_EQ(ReadFile(FProgramDir / "data" / "sub" / "z.txt"), "new z");
    EXPECT_FALSE(fs::exists(FStaging / "NimbralClient"));  // deleted after its copy
}

// Whichever rename, copy or start fails, the program folder ends exactly as
// it was, folders made for new files included. A failed move of a staged file
// is no failure as long as its copy works.
TEST_F(FileSwap, AnyFailedStepLeavesTheProgramFolderAsItWas) {
    const auto before = Snapshot(FProgramDir);
    for (const bool copyPath : {false, true}) {
        TFaultyOps counting;
        counting.StagedRenamesFail = copyPath;
        ASSERT_TRUE(ApplyUpdate(FStaging, Env(counting)));
        const auto after = Snapshot(FProgramDir);
        // Two backups, three installs (a move, or a failed move and a copy), the start.
        ASSERT_EQ(counting.Calls, copyPath ? 9 : 6);

        int failures = 0;
        for (int k = 1; k <= counting.Calls; ++k) {
            SCOPED_TRACE((copyPath ? "copy path, step " : "rename path, step ") + std::to_string(k));
            Reset();
            TFaultyOps faults;
            faults.FailAt = k;
            faults.StagedRenamesFail = copyPath;
            const bool ok = ApplyUpdate(FStaging, Env(faults));
            EXPECT_EQ(Snapshot(FProgramDir), ok ? after : before);
            EXPECT_EQ(TerminationRequested(), ok);
            EXPECT_EQ(FRetaken, ok ? 0 : FReleased);  // the guard is taken back after a failed start
            failures += ok ? 0 : 1;
        }
        // Rename path: both backups and the start; copy path: also the three copies.
        EXPECT_EQ(failures, copyPath ? 6 : 3);
        Reset();
    }
}

// A copy can fail half-way (a full disk) and leave part of the target
// behind; for a file that is new to the program folder, no undo list names
// that part, so the swap must take it away itself.
TEST_F(FileSwap, ACopyThatFailsHalfWayLeavesNothingBehind) {
    const auto before = Snapshot(FProgramDir);
    TFaultyOps faults;
    faults.StagedRenamesFail = true;
    TUpdateEnvironment env = Env(faults);
    env.Ops.Copy = [](const fs::path& From, const fs::path& To) {
        if (From.filename() != "z.txt")
            return platform::CopyFileReplace(From, To);
        WriteFile(To, "new");  // the start of "new z"
        return false;
    };
    EXPECT_FALSE(ApplyUpdate(FStaging, env));
    EXPECT_EQ(Snapshot(FProgramDir), before);
}

TEST_F(FileSwap, AnOldNameThatCannotBeFreedFailsTheSwap) {
    // "NimbralClient.old" is held by a file that cannot be deleted.
    WriteFile(FProgramDir / "NimbralClient.old", "held");
    const auto before = Snapshot(FProgramDir);
    TFaultyOps faults;
    TUpdateEnvironment env = Env(faults);
    std::vector<fs::path> scheduled;
    env.Ops.Delete = [](const fs::path& P) {
        return P.filename() != "NimbralClient.old" && platform::DeleteFileNoThrow(P);
    };
    env.Ops.ScheduleDelete = [&](const fs::path& P) {
        scheduled.push_back(P);
        return true;
    };
    EXPECT_FALSE(ApplyUpdate(FStaging, env));
    EXPECT_EQ(Snapshot(FProgramDir), before);
    EXPECT_EQ(scheduled, std::vector<fs::path>{FProgramDir / "NimbralClient.old"});
    EXPECT_TRUE(faults.Starts.empty());
}

TEST_F(FileSwap, AnEmptyStagingFolderInstallsNothing) {
    fs::remove_all(FStaging);
    fs::create_directories(FStaging / "empty");
    TFaultyOps faults;
    EXPECT_FALSE(ApplyUpdate(FStaging, Env(faults)));
    EXPECT_EQ(faults.Calls, 0);
}

// A file the undo cannot delete is reported, but only after everything else
// was put back: above all, the program file is never left renamed away.
TEST_F(FileSwap, AnUndoThatCannotDeleteRaisesAfterPuttingBackWhatItCan) {
    struct TCase {
        const char* What;
        bool CopyFailsHalfWay;  // z.txt: part of it written, then the copy fails
        int FailAt;             // step that fails (0: none)
        const char* Stuck;      // the file that cannot be deleted
    };
    const TCase cases[] = {
        {"the stray part of a failed copy", true, 0, "z.txt"},
        {"an installed file, after a failed start", false, 6, "y.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Reset();
        TFaultyOps faults;
        faults.FailAt = c.FailAt;
        faults.StagedRenamesFail = c.CopyFailsHalfWay;
        TUpdateEnvironment env = Env(faults);
        if (c.CopyFailsHalfWay) {
            env.Ops.Copy = [](const fs::path& From, const fs::path& To) {
                if (From.filename() != "z.txt")
                    return platform::CopyFileReplace(From, To);
                WriteFile(To, "new");
                return false;
            };
        }
        const std::string stuck = c.Stuck;
        env.Ops.Delete = [stuck](const fs::path& P) {
            return P.filename() != stuck && platform::DeleteFileNoThrow(P);
        };
        EXPECT_THROW(ApplyUpdate(FStaging, env), std::runtime_error);
        EXPECT_EQ(ReadFile(FProgram), "old program");
        EXPECT_FALSE(fs::exists(FProgramDir / "NimbralClient.old"));
        EXPECT_FALSE(TerminationRequested());
    }
}

TEST(CleanupOldFiles, DeletesOldFilesBelowTheFolderOnly) {
    test::TTempDir tmp;
    WriteFile(tmp / "NimbralClient.old", "x");
    WriteFile(tmp / "lib" / "a.dll.old", "x");
    WriteFile(tmp / "lib" / "deep" / "b.old", "x");
    WriteFile(tmp / "keep.txt", "x");
    WriteFile(tmp / "old", "x");
    WriteFile(tmp / "lib" / "c.older", "x");
    WriteFile(tmp / "busy.old", "x");
    fs::create_directories(tmp / "folder.old");

    std::vector<fs::path> scheduled;
    TUpdateFileOps ops;
    ops.Delete = [](const fs::path& P) {
        return P.filename() != "busy.old" && platform::DeleteFileNoThrow(P);
    };
    ops.ScheduleDelete = [&](const fs::path& P) {
        scheduled.push_back(P);
        return false;
    };
    CleanupOldFiles(tmp.Path(), ops);

    const std::map<std::string, std::string> expected = {
        {"busy.old", "x"}, {"folder.old", "<dir>"}, {"keep.txt", "x"}, {"lib", "<dir>"},
        {"lib/c.older", "x"}, {"lib/deep", "<dir>"}, {"old", "x"},
    };
    EXPECT_EQ(Snapshot(tmp.Path()), expected);
    EXPECT_EQ(scheduled, std::vector<fs::path>{tmp / "busy.old"});

    CleanupOldFiles(tmp / "missing", ops);  // not a folder: nothing, no error
}

}  // namespace
}  // namespace nimbral
