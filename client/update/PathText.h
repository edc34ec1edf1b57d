#pragma once
// Paths inside the update engine are std::filesystem paths; texts (messages,
// entry names) are UTF-8 std::string. These two convert between them on every
// platform (a plain string() would use the ANSI code page on Windows).

#include <filesystem>
#include <string>
#include <string_view>

namespace nimbral {

inline std::string PathText(const std::filesystem::path& P) {
    const std::u8string text = P.u8string();
    return std::string(text.begin(), text.end());
}

inline std::filesystem::path PathFromUtf8(std::string_view Text) {
    return std::filesystem::path(std::u8string(Text.begin(), Text.end()));
}

}  // namespace nimbral
