#pragma once
// A Windows test program started as a child the way a user starts one: its
// own command line, standard input on NUL, standard output into a file; the
// caller waits for its end.

#include <windows.h>

#include <filesystem>
#include <string>

namespace nimbral::wintest {

struct TChildResult {
    DWORD ExitCode = 0;
    std::string Output;  // what it printed, line ends as "\n"
};

// Raises std::runtime_error when it does not start or does not end within
// 30 s.
TChildResult RunChild(const std::filesystem::path& Program, const std::wstring& Arguments,
                      const std::filesystem::path& OutputFile);

}  // namespace nimbral::wintest
