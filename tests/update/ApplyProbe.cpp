// A stand-in for the client on Windows: runs ApplyUpdate on its own program
// folder, so that the program file renamed to ".old" is the running one.
//
//   update_apply_probe STAGING_DIR RESULT_FILE
//
// RESULT_FILE receives 1 when ApplyUpdate succeeded, 0 when it failed, and
// "error: <text>" when it raised.

#include "update/Updater.h"

#include <exception>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    std::ofstream out(argv[2]);
    try {
        out << (nimbral::ApplyUpdate(argv[1]) ? 1 : 0) << '\n';
    } catch (const std::exception& e) {
        out << "error: " << e.what() << '\n';
    }
    return 0;
}
