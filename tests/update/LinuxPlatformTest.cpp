// Linux-only: the version record stamped into copies of a built program with
// scripts/stamp-version (objcopy), the detached start of a program, and the
// user's own temporary folder.

#include "platform/ProcessStart.h"
#include "platform/SpecialFolders.h"

#include <gtest/gtest.h>

#include "UpdateTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbral {
namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& Command) {
    std::string out;
    FILE* p = popen(Command.c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[256];
    while (fgets(buf, sizeof buf, p) != nullptr)
        out += buf;
    pclose(p);
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(VersionRecord, ComesFromTheProgramFileItself) {
    EXPECT_EQ(Output(NIMBRAL_PROBE), NIMBRAL_PROJECT_VERSION_TEXT);
    EXPECT_EQ(Output(NIMBRAL_PROBE_BARE), "0.0.0");  // built without a record
}

TEST(VersionRecord, StampedCopiesReportTheirVersion) {
    test::TTempDir tmp;
    struct TCase {
        const char* Stamp;
        const char* Expected;
    };
    const TCase cases[] = {
        {"2.3.4.5", "2.3.4.5"}, {"2.3.4.0", "2.3.4"}, {"2.0.0.0", "2.0.0"},
        {"0.0.0.7", "0.0.0.7"}, {"65535.65535.65535.65535", "65535.65535.65535.65535"},
        {"1.2.3", "1.2.3"},
    };
    for (const auto& c : cases) {
        const fs::path copy = tmp / (std::string("probe-") + c.Stamp);
        fs::copy_file(NIMBRAL_PROBE, copy);
        ASSERT_EQ(std::system((std::string(NIMBRAL_STAMP_VERSION) + " " + copy.string() + " " + c.Stamp).c_str()), 0);
        EXPECT_EQ(Output(copy.string()), c.Expected) << c.Stamp;
    }
    // The script refuses what the record cannot hold, and a program without one.
    const fs::path copy = tmp / "probe-bad";
    fs::copy_file(NIMBRAL_PROBE, copy);
    fs::copy_file(NIMBRAL_PROBE_BARE, tmp / "bare");
    for (const std::string& args : {copy.string() + " 65536.0.0", copy.string() + " 1.x.0",
                                   copy.string() + " 1.2.3.4.5", (tmp / "bare").string() + " 1.0.0"})
        EXPECT_NE(std::system((std::string(NIMBRAL_STAMP_VERSION) + " " + args + " 2>/dev/null").c_str()), 0) << args;
    EXPECT_EQ(Output(copy.string()), NIMBRAL_PROJECT_VERSION_TEXT);
}

TEST(StartProgramDetached, RunsTheProgramInItsFolder) {
    test::TTempDir tmp;
    const fs::path dir = tmp / "program dir";
    fs::create_directories(dir);
    fs::copy_file(NIMBRAL_PROBE, dir / "probe");
    const fs::path out = tmp / "started.txt";
    ::setenv("NIMBRAL_PROBE_OUT", out.c_str(), 1);
    const bool started = platform::StartProgramDetached(dir / "probe", dir);
    ::unsetenv("NIMBRAL_PROBE_OUT");
    ASSERT_TRUE(started);
    for (int i = 0; i < 500 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadFile(out), std::string(NIMBRAL_PROJECT_VERSION_TEXT) + "\n" + dir.string() + "\n");

    EXPECT_FALSE(platform::StartProgramDetached(tmp / "missing", dir));
    test::WriteFile(tmp / "not-executable", "#!/bin/sh\n");
    EXPECT_FALSE(platform::StartProgramDetached(tmp / "not-executable", dir));
}

// The new build starts as a program started by the shell would: with its
// standard streams only, so an open file or socket of the old one (a
// keep-alive connection, a lock) does not live on in it, and with no signal
// blocked or ignored (the old one ignores SIGPIPE, as network programs do).
TEST(StartProgramDetached, PassesNoOpenFileNorSignalStateOn) {
    test::TTempDir tmp;
    const int held = ::open(tmp.Path().c_str(), O_RDONLY);  // without O_CLOEXEC
    ASSERT_GE(held, 0);
    ASSERT_EQ(::dup2(held, 200), 200);
    sigset_t usr1;
    sigset_t saved;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &saved), 0);
    const auto savedPipe = ::signal(SIGPIPE, SIG_IGN);

    const fs::path out = tmp / "state.txt";
    const fs::path script = tmp / "report";
    // Only builtins until the report is written: the shell blocks every signal
    // for a moment whenever it forks, and a child reading its status then
    // would see that mask instead of the one the shell was started with.
    test::WriteFile(script, "#!/bin/sh\n{ if [ -e /proc/$$/fd/200 ]; then echo open; else echo closed; fi\n"
                            "  while read -r key value; do case $key in SigBlk:|SigIgn:) echo \"$key $value\";; esac;"
                            " done < /proc/$$/status; } > '" + out.string() + ".part'\n"
                            "mv '" + out.string() + ".part' '" + out.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    const bool started = platform::StartProgramDetached(script, tmp.Path());
    ::signal(SIGPIPE, savedPipe);
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    ::close(200);
    ::close(held);
    ASSERT_TRUE(started);
    for (int i = 0; i < 500 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::istringstream report(test::ReadFile(out));
    std::string fd200, blk, ign;
    std::uint64_t blocked = 0, ignored = 0;
    report >> fd200 >> blk >> std::hex >> blocked >> ign >> ignored;
    EXPECT_EQ(fd200, "closed");
    // Signals 1 to 31; glibc's own real-time signals past them are its business.
    EXPECT_EQ(blocked & 0x7FFFFFFF, 0u) << blk;
    EXPECT_EQ(ignored & 0x7FFFFFFF, 0u) << ign;
}

// The package and the staging folder live in the user's temporary folder,
// and the staged files are installed as they are found there: a folder that
// another user can write to would let that user swap in files after the hash
// check. Whatever stands under the usual name, the update still gets a
// folder of this user alone: anyone able to take the name must not be able
// to keep the forced update from running.
TEST(UserTempFolder, IsAFolderOfThisUserAloneWhoeverTookTheName) {
    test::TTempDir tmp;
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", tmp.Path().c_str(), 1);
    const auto isPrivate = [&](const fs::path& Folder) {
        struct stat st {};
        return Folder.parent_path() == tmp.Path() && ::lstat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
               st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
    };

    const fs::path usual = platform::UserTempFolder();
    EXPECT_EQ(usual.filename(), "nimbral-" + std::to_string(::getuid()));
    EXPECT_TRUE(isPrivate(usual));
    EXPECT_EQ(platform::UserTempFolder(), usual);  // found again, not made anew

    // Only readable by others: narrowed and kept.
    fs::permissions(usual, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
    EXPECT_EQ(platform::UserTempFolder(), usual);
    EXPECT_TRUE(isPrivate(usual));

    // A link, a folder others could write into, another user's folder:
    // never used, and never an error.
    std::vector<std::pair<std::string, std::function<void()>>> takers = {
        {"a link", [&] { fs::create_directory_symlink(tmp / "elsewhere", usual); }},
        {"a folder open to all", [&] {
             fs::create_directory(usual);
             fs::permissions(usual, fs::perms::all);
         }},
        {"a plain file", [&] { test::WriteFile(usual, "x"); }},
    };
    if (::getuid() == 0) {  // only root can give a folder to someone else
        takers.emplace_back("another user's folder", [&] {
            fs::create_directory(usual);
            fs::permissions(usual, fs::perms::owner_all);
            ASSERT_EQ(::chown(usual.c_str(), 12345, 12345), 0);
        });
    }
    fs::create_directory(tmp / "elsewhere");
    for (const auto& [what, take] : takers) {
        SCOPED_TRACE(what);
        fs::remove_all(usual);
        take();
        const fs::path folder = platform::UserTempFolder();
        EXPECT_NE(folder, usual);
        EXPECT_TRUE(isPrivate(folder));
        EXPECT_EQ(platform::UserTempFolder(), folder);  // the same one for this process
    }
    EXPECT_TRUE(fs::is_empty(tmp / "elsewhere"));

    if (saved != nullptr)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace nimbral
