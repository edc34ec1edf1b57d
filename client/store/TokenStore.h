#pragma once
// The credential store: the user's service token between runs, in one file
// of the user's settings folder ("NimbralClient/auth.dat"), protected for the
// current user by the platform's data protection. Four plain functions
// without state: every call finds the file anew and nothing is cached.
// Called on the UI thread only.

#include <filesystem>
#include <string>

namespace nimbral {

// The token file's path; makes its folder when missing. A folder that cannot
// be made is not reported here, but a path that cannot name a folder at all
// (a missing drive, a name too long, a part that is a file) raises
// std::filesystem::filesystem_error, and a settings folder with characters
// no path may hold raises std::runtime_error.
std::filesystem::path GetTokenFilePath();

// Stores Token (UTF-8); true when it was stored, or when an empty Token led
// to deleting the file. False when it could not be protected or written: the
// token stored before, if any, then stays as it was. Never raises for the
// file or its folder.
bool SaveToken(const std::string& Token);

// The stored token, or empty: when there is none, when the file cannot be
// read or is empty (the file stays), or when it cannot be unprotected (the
// file is deleted, and the client starts signed out). Errors of
// GetTokenFilePath reach the caller.
std::string LoadToken();

// Deletes the token file if there is one; never fails.
void ClearToken() noexcept;

}  // namespace nimbral
