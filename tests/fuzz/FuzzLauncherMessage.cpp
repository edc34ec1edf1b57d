// Any text a page might post: the decoder either drops it or gives a message
// whose members are those of its action, and never raises.
#include "launcher/LauncherMessage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    using namespace nimbral;
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    const auto Message = DecodeLauncherMessage(Text);
    if (Message) {
        const bool Connect = Message->Action == TLauncherAction::ConnectPc;
        const bool Auth = Message->Action == TLauncherAction::AuthToken;
        if ((!Connect && (Message->PcId != 0 || !Message->PcName.empty())) ||
            (!Auth && !Message->Token.empty()))
            std::abort();
    }
    IsLoginUrl(Text);
    return 0;
}
