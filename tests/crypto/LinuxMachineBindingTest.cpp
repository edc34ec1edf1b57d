// Another machine, for real: a helper process runs in a private mount
// namespace (unshare -m) where another file is bind-mounted over
// the machine id (/etc/machine-id, or D-Bus's copy where that is missing).
// What one side seals the other must not open. Where the machine does not
// allow that (no root, no CAP_SYS_ADMIN in a container, a chroot whose root
// is not a mount point), the tests are skipped saying why: that says
// something about the machine, not about the library.
#include "Bytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace nimbral::crypto::test {
namespace {

// Exit status of the program, or -1 when it did not exit normally.
int run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int helper_here(const std::string& command, const std::filesystem::path& path) {
    return run({CRYPTO_MACHINE_HELPER, command, path.string()});
}

// The file the library takes the machine id from, or empty when there is none.
std::filesystem::path machine_id_file() {
    for (const char* candidate : {"/etc/machine-id", "/var/lib/dbus/machine-id"})
        if (std::filesystem::is_regular_file(candidate) && !read_file(candidate).empty()) return candidate;
    return {};
}

int helper_as(const std::filesystem::path& machineId, const std::string& command, const std::filesystem::path& path) {
    return run({"unshare", "-m", "sh", "-c", "mount --bind \"$1\" \"$2\" && exec \"$3\" \"$4\" \"$5\"", "sh",
                machineId.string(), machine_id_file().string(), CRYPTO_MACHINE_HELPER, command, path.string()});
}

// Whether this process may make a private mount namespace and bind-mount
// MachineId over the machine id in it.
bool may_stand_in_for(const std::filesystem::path& machineId) {
    return run({"unshare", "-m", "sh", "-c", "mount --bind \"$1\" \"$2\" 2>/dev/null", "sh", machineId.string(),
                machine_id_file().string()}) == 0;
}

class CryptoLinuxMachineBinding : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "bind-mounting over /etc/machine-id needs root";
        const std::filesystem::path target = machine_id_file();
        if (target.empty()) GTEST_SKIP() << "this system has no machine id file to stand in for";
        const TBytes real = read_file(target);
        write_file(FSameMachine, real);
        if (!may_stand_in_for(FSameMachine))
            GTEST_SKIP() << "this machine allows no private mount namespace with a bind mount (unshare -m): "
                            "a container without CAP_SYS_ADMIN, or a chroot whose root is not a mount point";
        const std::string other = "0123456789abcdef0123456789abcdef\n";
        write_file(FOtherMachine, TBytes(other.begin(), other.end()) == real
                                      ? TBytes{'f', 'e', 'd', 'c', 'b', 'a', '\n'}
                                      : TBytes(other.begin(), other.end()));
    }

    TTempFolder FFolder;
    std::filesystem::path FSameMachine = FFolder / "same-machine-id";
    std::filesystem::path FOtherMachine = FFolder / "other-machine-id";
};

TEST_F(CryptoLinuxMachineBinding, ContainersSealedHereFailOnAnotherMachine) {
    const auto file = FFolder / "here.nbsc";
    const auto buffer = FFolder / "here.buffer";
    ASSERT_EQ(helper_here("seal-file", file), 0);
    ASSERT_EQ(helper_here("seal-buffer", buffer), 0);

    EXPECT_EQ(helper_as(FOtherMachine, "open-file", file), 10);
    EXPECT_EQ(helper_as(FOtherMachine, "open-buffer", buffer), 7);
    // Control: the namespace alone changes nothing when the id is the same.
    EXPECT_EQ(helper_as(FSameMachine, "open-file", file), 0);
    EXPECT_EQ(helper_as(FSameMachine, "open-buffer", buffer), 0);
}

TEST_F(CryptoLinuxMachineBinding, ContainersSealedOnAnotherMachineFailHere) {
    const auto file = FFolder / "there.nbsc";
    const auto buffer = FFolder / "there.buffer";
    ASSERT_EQ(helper_as(FOtherMachine, "seal-file", file), 0);
    ASSERT_EQ(helper_as(FOtherMachine, "seal-buffer", buffer), 0);

    EXPECT_EQ(helper_here("open-file", file), 10);
    EXPECT_EQ(helper_here("open-buffer", buffer), 7);
    EXPECT_EQ(helper_as(FOtherMachine, "open-file", file), 0);
    EXPECT_EQ(helper_as(FOtherMachine, "open-buffer", buffer), 0);
}

}  // namespace
}  // namespace nimbral::crypto::test
