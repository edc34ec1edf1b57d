// Code pages through MultiByteToWideChar. It replaces bad bytes with the code
// page's own default character, so invalid input is walked character by
// character to put U+FFFD in its place instead.
#include "platform/CodePage.h"

#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace nimbral::platform {

namespace {

// Appends the UTF-16 form of Bytes to Out; false when Bytes is not valid in
// CodePage or the system cannot convert it.
bool Convert(UINT CodePage, std::string_view Bytes, std::wstring& Out) {
    const int Size = static_cast<int>(Bytes.size());
    const int Needed = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, nullptr, 0);
    if (Needed <= 0)
        return false;
    const std::size_t At = Out.size();
    Out.resize(At + static_cast<std::size_t>(Needed));
    MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, Out.data() + At, Needed);
    return true;
}

// One character at a time: a lead byte with its trail byte for double-byte
// code pages, else one byte; what does not convert becomes U+FFFD.
std::wstring ConvertLeniently(UINT CodePage, std::string_view Bytes) {
    std::wstring Out;
    std::size_t I = 0;
    while (I < Bytes.size()) {
        std::size_t Length = 1;
        if (IsDBCSLeadByteEx(CodePage, static_cast<BYTE>(Bytes[I])) && I + 1 < Bytes.size())
            Length = 2;
        if (Convert(CodePage, Bytes.substr(I, Length), Out)) {
            I += Length;
        } else {
            Out.push_back(L'\xFFFD');
            ++I;
        }
    }
    return Out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view Bytes, std::uint32_t CodePage) {
    if (Bytes.empty() || Bytes.size() > INT_MAX || !IsValidCodePage(CodePage))
        return std::string(Bytes);
    std::wstring Wide;
    if (!Convert(CodePage, Bytes, Wide))
        Wide = ConvertLeniently(CodePage, Bytes);
    return win32::Narrow(Wide);
}

std::optional<std::string> CodePageToUtf8Strict(std::string_view Bytes, std::uint32_t CodePage) {
    if (Bytes.empty())
        return std::string();
    std::wstring Wide;
    if (Bytes.size() > INT_MAX || !Convert(CodePage, Bytes, Wide))
        return std::nullopt;
    return win32::Narrow(Wide);
}

}  // namespace nimbral::platform
