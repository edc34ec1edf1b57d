// The system's data protection in the scope of the current user: no optional
// entropy, no prompt, never a user interface. The output buffer is the
// system's and goes back with LocalFree whatever happens after the call.

#include "platform/DataProtection.h"

#include "platform/win32/LocalMemory.h"
#include "platform/win32/WideText.h"

#include <windows.h>
#include <dpapi.h>

namespace nimbral::platform {

namespace {

std::optional<DATA_BLOB> InputBlob(std::string_view Bytes) {
    if (Bytes.size() > MAXDWORD)
        return std::nullopt;
    DATA_BLOB In{};
    In.cbData = static_cast<DWORD>(Bytes.size());
    In.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(Bytes.data()));  // only read
    return In;
}

std::string TakeOutput(const DATA_BLOB& Out) {
    const win32::TLocalMemory<BYTE> Owned(Out.pbData);
    return std::string(reinterpret_cast<const char*>(Out.pbData), Out.cbData);
}

}  // namespace

std::optional<std::string> ProtectForUser(std::string_view Data, std::string_view Description) {
    auto In = InputBlob(Data);
    if (!In)
        return std::nullopt;
    const std::wstring Text = win32::Widen(Description);
    DATA_BLOB Out{};
    if (!CryptProtectData(&*In, Text.c_str(), nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &Out))
        return std::nullopt;
    return TakeOutput(Out);
}

std::optional<std::string> UnprotectForUser(std::string_view Blob) {
    auto In = InputBlob(Blob);
    if (!In)
        return std::nullopt;
    DATA_BLOB Out{};
    if (!CryptUnprotectData(&*In, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &Out))
        return std::nullopt;
    return TakeOutput(Out);
}

}  // namespace nimbral::platform
