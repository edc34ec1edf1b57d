#pragma once
// Where the remote viewer lives beside the client and the arguments it is
// started with for a session. Toolkit-free.

#include "api/ApiRecords.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nimbral {

// The viewer's path relative to the program folder, as the user is told it:
// "tools\nimbral-remote.exe" on Windows, "tools/nimbral-remote" on Linux.
std::string ViewerRelativeText();

// <ProgramFolder>/tools/nimbral-remote(.exe).
std::filesystem::path ViewerPath(const std::filesystem::path& ProgramFolder);

// The folder of the viewer, with its trailing separator (the "tools" folder).
std::string ViewerWorkDirText(const std::filesystem::path& Viewer);

// The viewer's argument vector for Session: the viewer's path, "stream", the
// PC's address, "Desktop", the fixed stream options, "--launch-token=" with
// the token, "--quit-after", the rate and the mileage, and "--subscription"
// for a dedicated PC. Address and token are one argument each, whatever they
// hold.
std::vector<std::string> ViewerArguments(const std::filesystem::path& Viewer, const TSessionInfo& Session);

}  // namespace nimbral
