#pragma once
// Folders of the current user that several Linux facilities share: the XDG
// base folders, and folders that must be this user's alone because what lies
// in them is trusted as it is found.

#include <filesystem>

namespace nimbral::platform::posix {

// $Var when it holds an absolute path, else the home folder joined with
// Fallback (a relative value is ignored, as the XDG base-directory rules ask).
// Raises std::runtime_error when the home folder is unknown.
std::filesystem::path XdgBaseFolder(const char* Var, const char* Fallback);

// Raises std::runtime_error unless Folder is a real folder (not a link) owned
// by this user that no one else may read or write.
void RequireOwnFolder(const std::filesystem::path& Folder);

// Makes Folder with mode 0700 when it is missing, then checks it as
// RequireOwnFolder does; returns it.
std::filesystem::path OwnFolder(const std::filesystem::path& Folder);

}  // namespace nimbral::platform::posix
