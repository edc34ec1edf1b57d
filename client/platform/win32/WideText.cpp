#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace nimbral::win32 {

std::wstring Widen(std::string_view Utf8)
{
    if (Utf8.empty()) {
        return {};
    }
    if (Utf8.size() > INT_MAX) {
        throw std::length_error("text too long for the Windows API");
    }
    const int Size = static_cast<int>(Utf8.size());
    const int Needed = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), Size, nullptr, 0);
    std::wstring Out(static_cast<std::size_t>(Needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), Size, Out.data(), Needed);
    return Out;
}

std::string Narrow(std::wstring_view Utf16)
{
    if (Utf16.empty()) {
        return {};
    }
    if (Utf16.size() > INT_MAX) {
        throw std::length_error("text too long for the Windows API");
    }
    const int Size = static_cast<int>(Utf16.size());
    const int Needed = WideCharToMultiByte(CP_UTF8, 0, Utf16.data(), Size, nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<std::size_t>(Needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Utf16.data(), Size, Out.data(), Needed, nullptr, nullptr);
    return Out;
}

}  // namespace nimbral::win32
