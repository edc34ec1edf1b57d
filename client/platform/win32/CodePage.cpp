#include "platform/CodePage.h"

#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace nimbral::platform {

std::optional<std::string> Cp949ToUtf8(std::string_view Bytes) {
    if (Bytes.empty())
        return std::string();
    if (Bytes.size() > INT_MAX)
        return std::nullopt;
    const int Size = static_cast<int>(Bytes.size());
    const int Needed = MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, Bytes.data(), Size, nullptr, 0);
    if (Needed <= 0)
        return std::nullopt;
    std::wstring Wide(static_cast<std::size_t>(Needed), L'\0');
    MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, Bytes.data(), Size, Wide.data(), Needed);
    return win32::Narrow(Wide);
}

}  // namespace nimbral::platform
