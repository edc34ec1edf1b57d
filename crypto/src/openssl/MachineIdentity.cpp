// Linux stand-ins for the machine's identifiers: the installation's machine id
// (systemd's file, else D-Bus's copy of it) and the low 32 bits of the root
// file system's id, which changes when the system volume is re-created.
#include "../Backend.h"

#include <sys/statvfs.h>

#include <cstdio>
#include <cstring>

namespace nimbral::crypto {
namespace {

// First line of the file, at most 255 characters; false when there is none.
bool read_first_line(const char* path, char (&out)[256]) noexcept {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    const std::size_t length = std::fread(out, 1, sizeof out - 1, file);
    std::fclose(file);
    out[length] = '\0';
    out[std::strcspn(out, "\r\n")] = '\0';
    return out[0] != '\0';
}

}  // namespace

void read_machine_identity_parts(TMachineIdentityParts& parts) noexcept {
    parts = TMachineIdentityParts{};
    if (!read_first_line("/etc/machine-id", parts.Guid)) read_first_line("/var/lib/dbus/machine-id", parts.Guid);

    struct statvfs root {};
    if (statvfs("/", &root) == 0) parts.Serial = static_cast<std::uint32_t>(root.f_fsid & 0xFFFFFFFFu);
}

}  // namespace nimbral::crypto
