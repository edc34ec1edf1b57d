#include "launcher/LauncherMessage.h"

#include "core/Json.h"
#include "core/Text.h"

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

// True when the member is missing, null, or of one of the JSON types the
// message format gives it. The shared readers are lenient (a Boolean reads as
// 1, a number as its text), which would let "pcId": true connect to PC 1.
bool HasKind(const TJsonValue* Obj, std::string_view Key, TJsonKind A, TJsonKind B = TJsonKind::Null)
{
    const TJsonValue* Member = Obj->Find(Key);
    return Member == nullptr || Member->IsNull() || Member->Kind() == A || Member->Kind() == B;
}

}  // namespace

std::optional<TLauncherMessage> DecodeLauncherMessage(std::string_view Text)
{
    const std::optional<TJsonValue> Parsed = ParseJson(Text);
    if (!Parsed || !Parsed->IsObject())
        return std::nullopt;
    const TJsonValue* Obj = &*Parsed;

    // A member of the wrong type (a Boolean, a fraction or a word for "pcId",
    // a number or an object for "token"...) drops the message like any other
    // that cannot be acted on.
    if (!HasKind(Obj, "action", TJsonKind::String))
        return std::nullopt;
    try {
        const std::optional<TLauncherAction> Action = ParseAction(JsonStr(Obj, "action", ""));
        if (!Action)
            return std::nullopt;
        TLauncherMessage Message;
        Message.Action = *Action;
        switch (*Action) {
        case TLauncherAction::ConnectPc:
            if (!HasKind(Obj, "pcId", TJsonKind::Number, TJsonKind::String) ||
                !HasKind(Obj, "pcName", TJsonKind::String))
                return std::nullopt;
            Message.PcId = JsonInt(Obj, "pcId", 0);
            Message.PcName = JsonStr(Obj, "pcName", "");
            break;
        case TLauncherAction::AuthToken:
            if (!HasKind(Obj, "token", TJsonKind::String))
                return std::nullopt;
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
    return AsciiLower(Url).find("/login") != std::string::npos;
}

}  // namespace nimbral
