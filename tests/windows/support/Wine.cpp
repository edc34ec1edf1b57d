#include "support/Wine.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

namespace nimbral::wintest {

bool RunningUnderWine()
{
    const HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
    return Ntdll != nullptr && GetProcAddress(Ntdll, "wine_get_version") != nullptr;
}

std::filesystem::path HostPathToWindows(const std::string& UnixPath)
{
    using TToDos = wchar_t*(__cdecl*)(const char*);
    const HMODULE Kernel = GetModuleHandleW(L"kernel32.dll");
    const auto ToDos = reinterpret_cast<TToDos>(reinterpret_cast<void*>(GetProcAddress(Kernel, "wine_get_dos_file_name")));
    if (ToDos == nullptr) {
        throw std::runtime_error("the build machine's files are reachable only under Wine");
    }
    wchar_t* Raw = ToDos(UnixPath.c_str());
    if (Raw == nullptr) {
        throw std::runtime_error("Wine cannot map " + UnixPath);
    }
    std::filesystem::path Out(Raw);
    HeapFree(GetProcessHeap(), 0, Raw);
    return Out;
}

}  // namespace nimbral::wintest
