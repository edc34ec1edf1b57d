// The program itself: its one line when ready, the port it was asked for,
// and a clean stop on SIGTERM and SIGINT.
#include <gtest/gtest.h>
#include <httplib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace nimbral::devservice::test {
namespace {

// The program started with its standard output on a pipe; what it says on
// standard error (usage, a taken port) is not the test's business.
class TProgram {
public:
    explicit TProgram(std::vector<std::string> AArgs)
    {
        AArgs.insert(AArgs.begin(), NIMBRAL_DEVSERVICE_PROGRAM);
        std::vector<char*> Argv;
        for (std::string& Arg : AArgs) {
            Argv.push_back(Arg.data());
        }
        Argv.push_back(nullptr);
        int Pipe[2];
        if (pipe(Pipe) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t Actions;
        posix_spawn_file_actions_init(&Actions);
        posix_spawn_file_actions_adddup2(&Actions, Pipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&Actions, Pipe[0]);
        posix_spawn_file_actions_addopen(&Actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int Error = posix_spawn(&FPid, Argv[0], &Actions, nullptr, Argv.data(), environ);
        posix_spawn_file_actions_destroy(&Actions);
        close(Pipe[1]);
        FOut = Pipe[0];
        if (Error != 0) {
            throw std::runtime_error("cannot start the program");
        }
    }
    ~TProgram()
    {
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            Wait();
        }
        close(FOut);
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // The first line of output, waiting up to 10 s for it.
    std::string FirstLine()
    {
        std::string Line;
        char Ch = 0;
        pollfd Poll{FOut, POLLIN, 0};
        while (poll(&Poll, 1, 10000) > 0 && read(FOut, &Ch, 1) == 1 && Ch != '\n') {
            Line += Ch;
        }
        return Line;
    }

    void Signal(int ASignal) { kill(FPid, ASignal); }

    // The exit status, waiting for the program to end.
    int Wait()
    {
        int Status = 0;
        waitpid(FPid, &Status, 0);
        FPid = -1;
        return Status;
    }

private:
    pid_t FPid = -1;
    int FOut = -1;
};

int PortOf(const std::string& ALine)
{
    std::smatch Match;
    return std::regex_match(ALine, Match, std::regex(R"(devservice listening on http://127\.0\.0\.1:(\d+))"))
               ? std::stoi(Match[1])
               : 0;
}

TEST(DevServiceProgram, AnnouncesItselfServesAndStopsCleanly)
{
    for (const int Signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(Signal);
        TProgram Program({"--port", "0"});
        const std::string Line = Program.FirstLine();
        const int Port = PortOf(Line);
        ASSERT_GT(Port, 0) << Line;
        httplib::Client Client("127.0.0.1", Port);
        const auto Answer = Client.Get("/client/version.json");
        ASSERT_TRUE(Answer);
        EXPECT_EQ(Answer->status, 200);

        Program.Signal(Signal);
        const int Status = Program.Wait();
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << Status;
    }
}

TEST(DevServiceProgram, RefusesAPortInUseAndBadArguments)
{
    TProgram First({"--port", "0"});
    const std::string Port = std::to_string(PortOf(First.FirstLine()));
    TProgram Second({"--port", Port});
    EXPECT_EQ(Second.FirstLine(), "");
    int Status = Second.Wait();
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 1) << Status;

    for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
             {}, {"--port"}, {"--port", "x"}, {"--port", "70000"}, {"--port", "0", "--packages", "/no/such/folder"},
             {"--verbose"}}) {
        TProgram Bad(Args);
        Status = Bad.Wait();
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 2) << Args.size() << " arguments";
    }
}

}  // namespace
}  // namespace nimbral::devservice::test
