#include "MachineKey.h"

#include <cstdio>
#include <cstring>

namespace nimbral::crypto {

std::size_t format_machine_identity(const TMachineIdentityParts& parts, char* out) noexcept {
    const std::size_t guidLength = strnlen(parts.Guid, sizeof parts.Guid - 1);
    const int written = std::snprintf(out, kMaxIdentityLength + 1, "%.*s%08X%s", static_cast<int>(guidLength),
                                      parts.Guid, static_cast<unsigned>(parts.Serial), kIdentitySuffix);
    return written < 0 ? 0 : static_cast<std::size_t>(written);
}

int machine_key_from_parts(const TMachineIdentityParts& parts, std::uint8_t* out) noexcept {
    char identity[kMaxIdentityLength + 1];
    const std::size_t length = format_machine_identity(parts, identity);
    const int status = sha256_digest(identity, length, out);
    // Whoever knows the identity string knows the key: do not leave it behind.
    secure_zero(identity, sizeof identity);
    return status;
}

}  // namespace nimbral::crypto
