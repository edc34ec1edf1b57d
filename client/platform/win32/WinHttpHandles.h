#pragma once
// Owning handles of WinHTTP (session, connection, request).

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <type_traits>

namespace nimbral::win32 {

struct TWinHttpClose {
    void operator()(HINTERNET H) const { WinHttpCloseHandle(H); }
};
using TWinHttpHandle = std::unique_ptr<std::remove_pointer_t<HINTERNET>, TWinHttpClose>;

}  // namespace nimbral::win32
