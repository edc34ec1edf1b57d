#include "platform/win32/SystemError.h"

#include "platform/win32/LocalMemory.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace nimbral::win32 {

namespace {

// WinHTTP's codes (12001 to 12186) live in winhttp.dll's message table, not
// in the system's.
bool IsWinHttpCode(unsigned long Code)
{
    return Code >= 12000 && Code < 12200;
}

}  // namespace

std::string SystemErrorText(unsigned long Code)
{
    DWORD Flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE Module = nullptr;
    if (IsWinHttpCode(Code)) {
        Module = GetModuleHandleW(L"winhttp.dll");
        if (Module != nullptr) {
            Flags |= FORMAT_MESSAGE_FROM_HMODULE;
        }
    }
    wchar_t* Raw = nullptr;
    const DWORD Length = FormatMessageW(Flags, Module, Code, 0, reinterpret_cast<wchar_t*>(&Raw), 0, nullptr);
    const TLocalMemory<wchar_t> Buffer(Raw);
    if (Length == 0 || Raw == nullptr) {
        return "error " + std::to_string(Code);
    }
    std::wstring_view Text(Raw, Length);
    while (!Text.empty() && (Text.back() == L'\n' || Text.back() == L'\r' || Text.back() == L' ' || Text.back() == L'.')) {
        Text.remove_suffix(1);
    }
    return Narrow(Text) + " (" + std::to_string(Code) + ")";
}

}  // namespace nimbral::win32
