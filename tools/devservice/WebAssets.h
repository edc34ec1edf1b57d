#pragma once
// The launcher web app's files (tools/devservice/web), compiled into the
// program so that it serves them from wherever it runs.

#include <optional>
#include <string_view>

namespace nimbral::devservice {

// The content of the file of that name, such as "launch.html"; none for a
// name that is not one of them.
std::optional<std::string_view> WebAsset(std::string_view AName);

}  // namespace nimbral::devservice
