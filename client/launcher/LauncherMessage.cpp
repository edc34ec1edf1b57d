#include "launcher/LauncherMessage.h"

#include "core/Json.h"

namespace nimbral {

namespace {

std::optional<TLauncherAction> ParseAction(const std::string& Action)
{
    if (Action == "connect-pc")
        return TLauncherAction::ConnectPc;
    if (Action == "auth-token")
        return TLauncherAction::AuthToken;
    if (Action == "logout")
        return TLauncherAction::Logout;
    return std::nullopt;
}

}  // namespace

std::optional<TLauncherMessage> DecodeLauncherMessage(std::string_view Text)
{
    const std::optional<TJsonValue> Parsed = ParseJson(Text);
    if (!Parsed || !Parsed->IsObject())
        return std::nullopt;
    const TJsonValue* Obj = &*Parsed;

    // A member of the wrong type (a fraction or a word for "pcId", an object
    // for "token"...) makes the readers raise; such a message is dropped
    // like any other that cannot be acted on.
    try {
        const std::optional<TLauncherAction> Action = ParseAction(JsonStr(Obj, "action", ""));
        if (!Action)
            return std::nullopt;
        TLauncherMessage Message;
        Message.Action = *Action;
        switch (*Action) {
        case TLauncherAction::ConnectPc:
            Message.PcId = JsonInt(Obj, "pcId", 0);
            Message.PcName = JsonStr(Obj, "pcName", "");
            break;
        case TLauncherAction::AuthToken:
            Message.Token = JsonStr(Obj, "token", "");
            break;
        case TLauncherAction::Logout:
            break;
        }
        return Message;
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

bool IsLoginUrl(std::string_view Url)
{
    std::string Folded(Url);
    for (char& C : Folded) {
        if (C >= 'A' && C <= 'Z')
            C = static_cast<char>(C - 'A' + 'a');
    }
    return Folded.find("/login") != std::string::npos;
}

}  // namespace nimbral
