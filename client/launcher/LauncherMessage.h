#pragma once
// Decoding the messages the launcher page posts to its host: the JSON text of
// an object whose "action" says what the user did. Toolkit-free, so the
// decoder can be fuzzed and tested without a window.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbral {

enum class TLauncherAction { ConnectPc, AuthToken, Logout };

struct TLauncherMessage {
    TLauncherAction Action = TLauncherAction::Logout;
    std::int32_t PcId = 0;  // "connect-pc": "pcId" (a number or a string of digits)
    std::string PcName;     // "connect-pc": "pcName"
    std::string Token;      // "auth-token": "token"
};

// Nothing when the text is not a JSON object, the action is none of
// "connect-pc", "auth-token" and "logout" (compared exactly), or a member the
// action uses holds a value of the wrong type. Missing or null members read
// as empty or 0. A pcId of 0 or less is returned as it is: whether to act on
// it is the caller's decision.
std::optional<TLauncherMessage> DecodeLauncherMessage(std::string_view Text);

// The address test of the sign-in recovery: true when the address, with A-Z
// folded to a-z, contains "/login" anywhere (path, query or fragment).
bool IsLoginUrl(std::string_view Url);

}  // namespace nimbral
