// A child process for the tests of the process facility, on Linux and under
// Wine: writes the arguments after its first three to a file, one per line,
// then waits and exits as told.
//   process-probe <file> <milliseconds> <exit code> [values...]
// A relative file name lands in the working folder it was started in.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 4)
        return 100;
    {
        std::ofstream Out(argv[1], std::ios::binary | std::ios::trunc);
        for (int I = 4; I < argc; ++I)
            Out << argv[I] << '\n';
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    return std::atoi(argv[3]);
}
