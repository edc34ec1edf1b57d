// The single-instance guard on Linux with real processes: a probe program
// takes the guard, listens, and reports what it hears.

#include "platform/SingleInstance.h"

#include "ProbeProcess.h"
#include "support/ScopedEnv.h"
#include "update/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace nimbral {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::TGuardState;
using platform::TInstanceGuard;
using test::TProbeProcess;

using TEnv = std::map<std::string, std::string>;

// A runtime folder as a login session has one: the user's own, closed to others.
class TRuntimeFolder : public test::TTempDir {
public:
    TRuntimeFolder() { fs::permissions(Path(), fs::perms::owner_all, fs::perm_options::replace); }
    TEnv Session(const std::string& Id = "") const { return {{"XDG_RUNTIME_DIR", Path().string()}, {"XDG_SESSION_ID", Id}}; }
};

std::string StateLine(const char* State) {
    return "id=" + std::to_string(platform::RegisterActivationMessage()) + " state=" + State;
}

// A later start in Session: it must find the guard taken and end with 0.
void StartAgain(const TEnv& Session) {
    TProbeProcess second(NIMBRAL_INSTANCE_PROBE, Session);
    EXPECT_EQ(second.ReadLine(), StateLine("already-running"));
    EXPECT_EQ(second.Wait(), 0);
}

TEST(SingleInstance, ActivationMessageIdIsFixedAndNotZero) {
    const std::uint32_t id = platform::RegisterActivationMessage();
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    // The probes print theirs: the state lines below compare them with ours.
}

TEST(SingleInstance, EachLaterStartEndsAndActivatesTheFirstOnce) {
    const TRuntimeFolder runtime;
    TProbeProcess first(NIMBRAL_INSTANCE_PROBE, runtime.Session());
    ASSERT_EQ(first.ReadLine(), StateLine("acquired"));
    for (int start = 0; start < 3; ++start) {
        StartAgain(runtime.Session());
        EXPECT_EQ(first.ReadLine(), "activation") << "start " << start;
        EXPECT_EQ(first.ReadLine(300ms), std::nullopt) << "more than one activation for start " << start;
    }
    first.CloseInput();
    EXPECT_EQ(first.Wait(), 0);
}

TEST(SingleInstance, EachLoginSessionHasItsOwnClient) {
    const TRuntimeFolder one;
    const TRuntimeFolder two;
    struct TCase {
        const char* Name;
        TEnv A;
        TEnv B;
    };
    const TCase cases[] = {
        {"two runtime folders", one.Session(), two.Session()},
        {"two session ids in one folder", one.Session("c1"), one.Session("c2")},
    };
    for (const auto& c : cases) {
        TProbeProcess a(NIMBRAL_INSTANCE_PROBE, c.A);
        TProbeProcess b(NIMBRAL_INSTANCE_PROBE, c.B);
        ASSERT_EQ(a.ReadLine(), StateLine("acquired")) << c.Name;
        ASSERT_EQ(b.ReadLine(), StateLine("acquired")) << c.Name;
        StartAgain(c.B);
        EXPECT_EQ(b.ReadLine(), "activation") << c.Name;
        EXPECT_EQ(a.ReadLine(300ms), std::nullopt) << c.Name << ": the other session was activated";
    }
}

TEST(SingleInstance, AKilledClientDoesNotBlockTheNext) {
    const TRuntimeFolder runtime;
    {
        TProbeProcess killed(NIMBRAL_INSTANCE_PROBE, runtime.Session());
        ASSERT_EQ(killed.ReadLine(), StateLine("acquired"));
        killed.Kill();
        killed.Wait();
    }
    ASSERT_TRUE(fs::exists(runtime / "NimbralClient_Activate"));  // its socket is left behind
    TProbeProcess next(NIMBRAL_INSTANCE_PROBE, runtime.Session());
    ASSERT_EQ(next.ReadLine(), StateLine("acquired"));
    StartAgain(runtime.Session());
    EXPECT_EQ(next.ReadLine(), "activation");
}

// The update's hand-over: the old client lets go, the new build takes the
// guard; when the old one takes it back later it hears activations again.
TEST(SingleInstance, ReleaseHandsOverAndRetakeTakesBack) {
    const TRuntimeFolder runtime;
    TProbeProcess old(NIMBRAL_INSTANCE_PROBE, runtime.Session());
    ASSERT_EQ(old.ReadLine(), StateLine("acquired"));
    old.WriteLine("release");
    ASSERT_EQ(old.ReadLine(), "released");
    {
        TProbeProcess fresh(NIMBRAL_INSTANCE_PROBE, runtime.Session());
        ASSERT_EQ(fresh.ReadLine(), StateLine("acquired"));
        old.WriteLine("retake");
        EXPECT_EQ(old.ReadLine(), "retake=0");
        fresh.CloseInput();
        ASSERT_EQ(fresh.Wait(), 0);
    }
    old.WriteLine("retake");
    EXPECT_EQ(old.ReadLine(), "retake=1");
    StartAgain(runtime.Session());
    EXPECT_EQ(old.ReadLine(), "activation");
}

// Without a usable runtime folder or session id the client runs unguarded.
TEST(SingleInstance, UnusableRuntimeFolderOrSessionIdLeavesTheGuardUnavailable) {
    const TRuntimeFolder own;
    test::TTempDir open;
    fs::permissions(open.Path(), fs::perms::all);
    const fs::path link = own / "link";
    fs::create_directory_symlink(own.Path(), link);
    const TEnv cases[] = {
        {{"XDG_RUNTIME_DIR", open.Path().string()}, {"XDG_SESSION_ID", ""}},
        {{"XDG_RUNTIME_DIR", link.string()}, {"XDG_SESSION_ID", ""}},
        {{"XDG_RUNTIME_DIR", (own / "missing").string()}, {"XDG_SESSION_ID", ""}},
        {{"XDG_RUNTIME_DIR", own.Path().string()}, {"XDG_SESSION_ID", "../escape"}},
    };
    for (const auto& env : cases) {
        test::TScopedEnv scoped;
        for (const auto& [name, value] : env)
            scoped.Set(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
        TInstanceGuard guard;
        EXPECT_EQ(guard.Acquire(), TGuardState::Unavailable) << env.at("XDG_RUNTIME_DIR") << " " << env.at("XDG_SESSION_ID");
        EXPECT_THROW(platform::TActivationReceiver(guard, [] {}), std::runtime_error);
    }
    EXPECT_TRUE(fs::is_empty(open.Path()));
}

// Without XDG_RUNTIME_DIR the folder is one of the user's own under /tmp.
TEST(SingleInstance, FallsBackToAFolderOfTheUsersOwnUnderTmp) {
    std::random_device random;
    const std::string session = "test-" + std::to_string(random());
    test::TScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", std::nullopt);
    env.Set("XDG_SESSION_ID", session);
    const fs::path folder = "/tmp/nimbral-runtime-" + std::to_string(::getuid());
    {
        TInstanceGuard first;
        TInstanceGuard second;  // flock: another open of the file conflicts even in one process
        ASSERT_EQ(first.Acquire(), TGuardState::Acquired);
        EXPECT_EQ(second.Acquire(), TGuardState::AlreadyRunning);
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_TRUE(fs::exists(folder / ("NimbralClient_SingleInstance-" + session)));
    }
    fs::remove(folder / ("NimbralClient_SingleInstance-" + session));
}

}  // namespace
}  // namespace nimbral
