// nimbral-devservice --port N [--packages DIR]
// Serves the development service on 127.0.0.1:N (0 picks a free port),
// prints one line with its origin once connections are accepted, and stops
// on SIGINT or SIGTERM.
#include "DevService.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

namespace {

int Usage(const char* AProgram)
{
    std::cerr << "usage: " << AProgram << " --port N [--packages DIR]\n"
              << "  --port N        listen on 127.0.0.1:N (0 picks a free port)\n"
              << "  --packages DIR  serve the files of DIR as /client/packages/<name>\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int Port = -1;
    std::filesystem::path Packages;
    for (int I = 1; I < argc; ++I) {
        const std::string_view Arg = argv[I];
        if (Arg == "--port" && I + 1 < argc) {
            const std::string Value = argv[++I];
            char* End = nullptr;
            const long Number = std::strtol(Value.c_str(), &End, 10);
            if (Value.empty() || *End != '\0' || Number < 0 || Number > 65535) {
                return Usage(argv[0]);
            }
            Port = static_cast<int>(Number);
        } else if (Arg == "--packages" && I + 1 < argc) {
            Packages = argv[++I];
            if (!std::filesystem::is_directory(Packages)) {
                std::cerr << "devservice: " << Packages.string() << " is not a folder\n";
                return 2;
            }
        } else {
            return Usage(argv[0]);
        }
    }
    if (Port < 0) {
        return Usage(argv[0]);
    }

    // Blocked before any thread starts, so every thread inherits the mask
    // and the signals wait for sigwait below.
    sigset_t Stopping;
    sigemptyset(&Stopping);
    sigaddset(&Stopping, SIGINT);
    sigaddset(&Stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Stopping, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    nimbral::devservice::TDevService Service(Packages);
    if (!Service.Bind(Port)) {
        std::cerr << "devservice: cannot listen on 127.0.0.1:" << Port << "\n";
        return 1;
    }
    std::thread Server([&Service] { Service.Run(); });
    std::cout << "devservice listening on " << Service.Origin() << std::endl;

    int Signal = 0;
    sigwait(&Stopping, &Signal);
    Service.Stop();
    Server.join();
    return 0;
}
