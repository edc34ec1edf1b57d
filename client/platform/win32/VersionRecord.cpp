// The VERSIONINFO resource of a program file (nimbral_add_version_record
// compiles one from the project version), read with the version API.
#include "platform/VersionRecord.h"

#include <windows.h>

#include <vector>

namespace nimbral::platform {

std::optional<TVersionRecord> ReadVersionRecord(const std::filesystem::path& ProgramFile) noexcept {
    try {
        DWORD Ignored = 0;
        const DWORD Size = GetFileVersionInfoSizeW(ProgramFile.c_str(), &Ignored);
        if (Size == 0)
            return std::nullopt;
        std::vector<unsigned char> Buffer(Size);
        if (!GetFileVersionInfoW(ProgramFile.c_str(), 0, Size, Buffer.data()))
            return std::nullopt;
        void* Block = nullptr;
        UINT Length = 0;
        if (!VerQueryValueW(Buffer.data(), L"\\", &Block, &Length) || Block == nullptr ||
            Length < sizeof(VS_FIXEDFILEINFO))
            return std::nullopt;
        const auto* Fixed = static_cast<const VS_FIXEDFILEINFO*>(Block);
        return TVersionRecord{Fixed->dwFileVersionMS, Fixed->dwFileVersionLS};
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace nimbral::platform
