#pragma once
// Protecting a byte string so that only the current user can read it back.
// On Windows this is the system's data protection in the user's scope. On
// Linux it is AES-256-GCM under a random 32-byte key of the user's own, kept
// in a file of mode 0600 in the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share, + "/NimbralClient/"), made on first protection; the blob is
// a magic, the nonce, the ciphertext and the tag.

#include <optional>
#include <string>
#include <string_view>

namespace nimbral::platform {

// The protected blob of Data, or nothing when the system could not protect
// it. Description is stored inside the blob where the system keeps one
// (Windows); Linux blobs carry none. Raises only std::bad_alloc.
std::optional<std::string> ProtectForUser(std::string_view Data, std::string_view Description);

// The data protected in Blob, or nothing when it cannot be unprotected: a
// blob of another user, a damaged blob or (Linux) a missing or untrusted key.
// Never makes a key. Raises only std::bad_alloc.
std::optional<std::string> UnprotectForUser(std::string_view Blob);

}  // namespace nimbral::platform
