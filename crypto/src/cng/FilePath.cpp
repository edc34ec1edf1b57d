// fopen hands a narrow path to CreateFileA, which reads it in the code page
// of the file functions. std::filesystem would read it otherwise (byte by
// byte, as Latin-1), so a partial file with a name outside ASCII would be
// missed by the clean-up.
#include "../Backend.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

namespace nimbral::crypto {

std::filesystem::path file_path(const char* path) {
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const std::size_t length = std::strlen(path);
    if (length == 0 || length > INT_MAX) return {};
    const int size = static_cast<int>(length);
    const int needed = MultiByteToWideChar(codePage, 0, path, size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, path, size, wide.data(), needed);
    return std::filesystem::path(wide);
}

}  // namespace nimbral::crypto
