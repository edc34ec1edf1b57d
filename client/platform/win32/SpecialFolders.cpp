#include "platform/SpecialFolders.h"

#include "platform/win32/SystemError.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace nimbral::platform {

std::filesystem::path RunningProgramFile() {
    // Paths may be longer than MAX_PATH: grow until the name fits.
    std::wstring Buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD Length = GetModuleFileNameW(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
        if (Length == 0)
            throw std::runtime_error("the running program's path is unknown: " +
                                     win32::SystemErrorText(GetLastError()));
        if (Length < Buffer.size()) {
            Buffer.resize(Length);
            return Buffer;
        }
        Buffer.resize(Buffer.size() * 2);
    }
}

std::filesystem::path UserTempFolder() {
    wchar_t Short[MAX_PATH + 1] = {};
    const DWORD Length = GetTempPathW(MAX_PATH + 1, Short);
    if (Length == 0 || Length > MAX_PATH)
        throw std::runtime_error("the temporary folder is unknown: " + win32::SystemErrorText(GetLastError()));
    // GetTempPathW may answer with 8.3 names (C:\Users\KIMMIN~1\...): the
    // long form is what the user sees and what other paths are compared with.
    const DWORD Needed = GetLongPathNameW(Short, nullptr, 0);
    if (Needed == 0)
        return std::wstring(Short, Length);
    std::wstring Long(Needed, L'\0');
    const DWORD Written = GetLongPathNameW(Short, Long.data(), Needed);
    if (Written == 0 || Written >= Needed)
        return std::wstring(Short, Length);
    Long.resize(Written);
    return Long;
}

std::filesystem::path UserConfigFolder() {
    const DWORD Needed = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (Needed == 0)
        return {};  // unset: paths joined to it stay relative
    std::wstring Value(Needed, L'\0');
    const DWORD Length = GetEnvironmentVariableW(L"APPDATA", Value.data(), Needed);
    Value.resize(Length < Needed ? Length : 0);
    // What the path functions refuse as a path character; wildcards are
    // refused later by the file system itself.
    for (const wchar_t C : Value) {
        if (C < 32 || C == L'"' || C == L'<' || C == L'>' || C == L'|')
            throw std::runtime_error("APPDATA holds a character that cannot be part of a path");
    }
    return Value;
}

}  // namespace nimbral::platform
