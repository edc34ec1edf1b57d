// The machine's identifiers on Windows: the installation's MachineGuid from
// the 64-bit registry view (a 32-bit process would otherwise be redirected to
// the WOW64 view, which has none) and the serial number of volume C:\.
#include "../Backend.h"

#include <windows.h>

#include <cstring>

namespace nimbral::crypto {

void read_machine_identity_parts(TMachineIdentityParts& parts) noexcept {
    parts = TMachineIdentityParts{};

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", 0, KEY_READ | KEY_WOW64_64KEY, &key) ==
        ERROR_SUCCESS) {
        DWORD size = sizeof parts.Guid;
        if (RegQueryValueExA(key, "MachineGuid", nullptr, nullptr, reinterpret_cast<LPBYTE>(parts.Guid), &size) !=
            ERROR_SUCCESS)
            std::memset(parts.Guid, 0, sizeof parts.Guid);
        RegCloseKey(key);
    }
    // A value of 256 characters or more fills the buffer without a terminator:
    // the identity takes its first 255.
    parts.Guid[sizeof parts.Guid - 1] = '\0';

    DWORD serial = 0;
    if (GetVolumeInformationA("C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) parts.Serial = serial;
}

}  // namespace nimbral::crypto
