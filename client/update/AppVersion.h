#pragma once
// The program's own version and the order of version texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbral {

// The running program's version from its embedded file-version record:
// "major.minor.release", with ".build" appended when build is not 0. "0.0.0"
// when the record cannot be read. Reads the program file on every call.
std::string GetAppVersion();

// The version text of a record packed as MS = major << 16 | minor,
// LS = release << 16 | build.
std::string FormatFileVersion(std::uint32_t MS, std::uint32_t LS);

// -1 when A is older than B, 0 when equal, 1 when A is newer. Texts are split
// at every "."; missing parts count as 0, and so does a part that is not a
// signed 32-bit decimal number.
std::int32_t CompareVersions(std::string_view A, std::string_view B);

}  // namespace nimbral
