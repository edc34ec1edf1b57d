// The service API: sign-in and sign-out, the signed-in user, the one-time
// sign-in address for the launcher page, and remote sessions.
#include "Replies.h"
#include "Routes.h"
#include "ServiceJson.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace nimbral::devservice {

namespace {

using nlohmann::json;

// The body as a JSON object, or none after answering 400.
std::optional<json> BodyOrRefuse(const httplib::Request& ARequest, httplib::Response& AResponse)
{
    auto Body = ObjectBody(ARequest);
    if (!Body) {
        SendEnvelope(AResponse, 400, false, "요청 본문이 올바른 JSON 객체가 아닙니다.");
    }
    return Body;
}

struct TSignedIn {
    std::string Token;
    TAccount Account;
};

using TSignedInHandler = void (*)(TServiceState&, const TSignedIn&, const httplib::Request&, httplib::Response&);

// Runs AHandler for the account of the request's bearer token; a missing or
// unknown token is answered 401.
httplib::Server::Handler SignedIn(TServiceState& AState, TSignedInHandler AHandler)
{
    return [&AState, AHandler](const httplib::Request& ARequest, httplib::Response& AResponse) {
        const std::string Token = BearerToken(ARequest);
        if (Token.empty()) {
            SendEnvelope(AResponse, 401, false, "로그인이 필요합니다.");
            return;
        }
        const auto Account = AState.AccountOfToken(Token);
        if (!Account) {
            SendEnvelope(AResponse, 401, false, "인증이 만료되었습니다. 다시 로그인해 주세요.");
            return;
        }
        AHandler(AState, {Token, *Account}, ARequest, AResponse);
    };
}

// A path of this service: one leading "/", nothing that a browser would
// read as another host.
bool IsOwnPath(const std::string& APath)
{
    if (!APath.starts_with('/') || APath.starts_with("//")) {
        return false;
    }
    for (const char Ch : APath) {
        if (Ch == '\\' || static_cast<unsigned char>(Ch) < 0x20 || Ch == 0x7F) {
            return false;
        }
    }
    return true;
}

// A positive 32-bit id, as a JSON integer or as the text of a path segment.
std::optional<int> PositiveId(const json& AValue)
{
    constexpr auto Max = std::numeric_limits<int>::max();
    if (!AValue.is_number_integer()) {
        return std::nullopt;  // fractions, text, Booleans, null
    }
    // An unsigned value past the signed range would wrap if read signed.
    if (AValue.is_number_unsigned() && AValue.get<std::uint64_t>() > static_cast<std::uint64_t>(Max)) {
        return std::nullopt;
    }
    const auto Value = AValue.get<std::int64_t>();
    if (Value <= 0 || Value > Max) {
        return std::nullopt;
    }
    return static_cast<int>(Value);
}

std::optional<int> PositiveId(const std::string& AText)
{
    int Value = 0;
    const auto [End, Error] = std::from_chars(AText.data(), AText.data() + AText.size(), Value);
    if (Error != std::errc() || End != AText.data() + AText.size() || Value <= 0) {
        return std::nullopt;
    }
    return Value;
}

void Login(TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const auto Body = BodyOrRefuse(ARequest, AResponse);
    if (!Body) {
        return;
    }
    const auto Email = Body->find("email");
    const auto Password = Body->find("password");
    if (Email == Body->end() || !Email->is_string() || Password == Body->end() || !Password->is_string()) {
        SendEnvelope(AResponse, 400, false, "이메일과 비밀번호를 입력해 주세요.");
        return;
    }
    const auto Token = AState.SignIn(Email->get<std::string>(), Password->get<std::string>());
    if (!Token) {
        SendEnvelope(AResponse, 401, false, "이메일 또는 비밀번호가 올바르지 않습니다.");
        return;
    }
    SendEnvelope(AResponse, 200, true, "로그인되었습니다.",
                 {{"token", *Token}, {"user", UserJson(*AState.AccountOfToken(*Token))}});
}

// The token ends here; the web sessions that carry it end with it.
void Logout(TServiceState& AState, const TSignedIn& AUser, const httplib::Request&, httplib::Response& AResponse)
{
    AState.RevokeToken(AUser.Token);
    SendEnvelope(AResponse, 200, true, "로그아웃되었습니다.");
}

void Me(TServiceState&, const TSignedIn& AUser, const httplib::Request&, httplib::Response& AResponse)
{
    SendEnvelope(AResponse, 200, true, "", UserJson(AUser.Account));
}

void MagicLoginUrl(TServiceState& AState, const TSignedIn& AUser, const httplib::Request& ARequest,
                   httplib::Response& AResponse)
{
    const auto Body = BodyOrRefuse(ARequest, AResponse);
    if (!Body) {
        return;
    }
    std::string Redirect = "/app/launch";
    if (const auto It = Body->find("redirect"); It != Body->end() && !It->is_null()) {
        if (!It->is_string() || !IsOwnPath(It->get<std::string>())) {
            SendEnvelope(AResponse, 400, false, "redirect는 이 서비스의 경로여야 합니다.");
            return;
        }
        Redirect = It->get<std::string>();
    }
    const std::string Code = AState.IssueMagicCode(AUser.Token, Redirect);
    SendEnvelope(AResponse, 200, true, "로그인 주소가 발급되었습니다.",
                 {{"url", OriginOf(ARequest) + "/app/magic?code=" + Code}});
}

void CreateSession(TServiceState& AState, const TSignedIn& AUser, const httplib::Request& ARequest,
                   httplib::Response& AResponse)
{
    const auto Body = BodyOrRefuse(ARequest, AResponse);
    if (!Body) {
        return;
    }
    const auto PcId = Body->contains("pc_id") ? PositiveId(Body->at("pc_id")) : std::nullopt;
    if (!PcId) {
        SendEnvelope(AResponse, 400, false, "pc_id는 1 이상의 정수여야 합니다.");
        return;
    }
    const auto Outcome = AState.OpenSession(AUser.Account.Id, *PcId);
    if (const auto* Refusal = std::get_if<TRefusal>(&Outcome)) {
        SendEnvelope(AResponse, Refusal->Status, false, Refusal->Message);
        return;
    }
    SendEnvelope(AResponse, 201, true, "세션이 생성되었습니다.", SessionJson(std::get<TRemoteSession>(Outcome)));
}

// A null "data" says that the user has no session.
void CurrentSession(TServiceState& AState, const TSignedIn& AUser, const httplib::Request&,
                    httplib::Response& AResponse)
{
    if (const auto Session = AState.CurrentSession(AUser.Account.Id)) {
        SendEnvelope(AResponse, 200, true, "", SessionJson(*Session));
    } else {
        SendEnvelope(AResponse, 200, true, "진행 중인 세션이 없습니다.");
    }
}

void DisconnectSession(TServiceState& AState, const TSignedIn& AUser, const httplib::Request& ARequest,
                       httplib::Response& AResponse)
{
    const auto SessionId = PositiveId(ARequest.matches[1].str());
    if (!SessionId) {
        SendEnvelope(AResponse, 400, false, "세션 ID가 올바르지 않습니다.");
    } else if (!AState.EndSession(AUser.Account.Id, *SessionId)) {
        SendEnvelope(AResponse, 404, false, "세션을 찾을 수 없습니다.");
    } else {
        SendEnvelope(AResponse, 200, true, "연결이 해제되었습니다.");
    }
}

// Ends the user's session without naming it; without one there is nothing
// to do, which is no failure.
void Disconnect(TServiceState& AState, const TSignedIn& AUser, const httplib::Request&, httplib::Response& AResponse)
{
    const bool Ended = AState.EndCurrentSession(AUser.Account.Id);
    SendEnvelope(AResponse, 200, true, Ended ? "연결이 해제되었습니다." : "종료할 세션이 없습니다.");
}

}  // namespace

void AddApiRoutes(TRoutes& ARoutes)
{
    TServiceState& State = ARoutes.State();
    ARoutes.Post("/api/v1/auth/login", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        Login(State, ARequest, AResponse);
    });
    ARoutes.Post("/api/v1/auth/logout", SignedIn(State, Logout));
    ARoutes.Get("/api/v1/me", SignedIn(State, Me));
    ARoutes.Post("/api/v1/magic-login-url", SignedIn(State, MagicLoginUrl));
    ARoutes.Post("/api/v1/sessions", SignedIn(State, CreateSession));
    ARoutes.Get("/api/v1/sessions/current", SignedIn(State, CurrentSession));
    ARoutes.Post(R"(/api/v1/sessions/([^/]+)/disconnect)", SignedIn(State, DisconnectSession));
    ARoutes.Post("/api/v1/disconnect", SignedIn(State, Disconnect));
}

}  // namespace nimbral::devservice
