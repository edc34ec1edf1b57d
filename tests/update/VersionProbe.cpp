// A stand-in program for the version and restart tests: prints its own
// version, and when NIMBRAL_PROBE_OUT names a file, also writes the version
// and its working folder there (for a start without a terminal).

#include "update/AppVersion.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

int main() {
    const std::string version = nimbral::GetAppVersion();
    std::cout << version << '\n';
    if (const char* out = std::getenv("NIMBRAL_PROBE_OUT")) {
        const std::string tmp = std::string(out) + ".part";
        {
            std::ofstream f(tmp);
            f << version << '\n' << std::filesystem::current_path().string() << '\n';
        }
        std::filesystem::rename(tmp, out);
    }
    return 0;
}
