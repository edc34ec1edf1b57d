// The launcher web app: the sign-in page, the launch page with the user's
// PCs, sign-out, and the landing address of one-time sign-in codes. A web
// session is a cookie that carries the user's bearer token; the launch page
// hands that token to the client it runs in.
#include "Replies.h"
#include "Routes.h"
#include "ServiceJson.h"
#include "WebAssets.h"

#include <map>
#include <string_view>

namespace nimbral::devservice {

namespace {

using nlohmann::json;

const std::string CookieName = "nimbral_web";

std::string EscapeHtml(std::string_view AText)
{
    std::string Out;
    for (const char Ch : AText) {
        switch (Ch) {
        case '&': Out += "&amp;"; break;
        case '<': Out += "&lt;"; break;
        case '>': Out += "&gt;"; break;
        case '"': Out += "&quot;"; break;
        case '\'': Out += "&#39;"; break;
        default: Out += Ch;
        }
    }
    return Out;
}

// JSON that can sit inside a <script> element: '<', '>' and '&' only occur
// inside strings, where their escapes mean the same.
std::string ScriptJson(const json& AValue)
{
    std::string Out;
    for (const char Ch : AValue.dump(-1, ' ', false, json::error_handler_t::replace)) {
        switch (Ch) {
        case '<': Out += "\\u003c"; break;
        case '>': Out += "\\u003e"; break;
        case '&': Out += "\\u0026"; break;
        default: Out += Ch;
        }
    }
    return Out;
}

// Replaces each "{{name}}" of the page with its value (already escaped).
std::string FillPage(std::string_view APage, const std::map<std::string, std::string, std::less<>>& AValues)
{
    std::string Out;
    std::size_t At = 0;
    while (true) {
        const auto Open = APage.find("{{", At);
        const auto Close = Open == std::string_view::npos ? Open : APage.find("}}", Open);
        if (Close == std::string_view::npos) {
            Out += APage.substr(At);
            return Out;
        }
        Out += APage.substr(At, Open - At);
        const auto Value = AValues.find(APage.substr(Open + 2, Close - Open - 2));
        Out += Value == AValues.end() ? std::string() : Value->second;
        At = Close + 2;
    }
}

void SendPage(httplib::Response& AResponse, int AStatus, const std::string& AHtml)
{
    AResponse.status = AStatus;
    AResponse.set_header("Cache-Control", "no-store");
    AResponse.set_content(AHtml, "text/html; charset=utf-8");
}

void SetCookie(httplib::Response& AResponse, const std::string& AValue, bool AExpire)
{
    AResponse.set_header("Set-Cookie", CookieName + "=" + AValue + "; Path=/; HttpOnly; SameSite=Lax" +
                                           (AExpire ? "; Max-Age=0" : ""));
}

// The bearer token of the request's web session, if that session is valid.
std::optional<std::string> PageToken(const TServiceState& AState, const httplib::Request& ARequest)
{
    const std::string Cookie = CookieValue(ARequest, CookieName);
    return Cookie.empty() ? std::nullopt : AState.TokenOfWebSession(Cookie);
}

// The account the sign-in page offers.
TAccount DemoAccount()
{
    return MakeDemoData().Accounts.front();
}

std::string LoginPage(const std::string& AEmail, const std::string& APassword, const std::string& AError)
{
    const TAccount Demo = DemoAccount();
    return FillPage(*WebAsset("login.html"), {
                                                 {"email", EscapeHtml(AEmail)},
                                                 {"password", EscapeHtml(APassword)},
                                                 {"error", EscapeHtml(AError)},
                                                 {"errorHidden", AError.empty() ? " hidden" : ""},
                                                 {"demoName", EscapeHtml(Demo.Name)},
                                                 {"demoEmail", EscapeHtml(Demo.Email)},
                                                 {"demoPassword", EscapeHtml(Demo.Password)},
                                             });
}

const char* AvailabilityName(TPcAvailability AAvailability)
{
    switch (AAvailability) {
    case TPcAvailability::Mine: return "mine";
    case TPcAvailability::Busy: return "busy";
    case TPcAvailability::Free: break;
    }
    return "free";
}

// What the launch page's script builds the page from.
json LaunchData(const TServiceState& AState, const std::string& AToken, const TAccount& AAccount,
                const std::string& AClientVersion)
{
    json Pcs = json::array();
    for (const TPcView& View : AState.PcsFor(AAccount.Id)) {
        const TRemotePc& Pc = View.Pc;
        Pcs.push_back({{"id", Pc.Id},
                       {"name", Pc.Name},
                       {"address", Pc.Address},
                       {"ip", Pc.Ip},
                       {"spec", Pc.Spec},
                       {"ratePerHour", Pc.RatePerHour},
                       {"dedicated", Pc.DedicatedTo == AAccount.Id},
                       {"availability", AvailabilityName(View.Availability)}});
    }
    const auto Session = AState.CurrentSession(AAccount.Id);
    return {
        {"token", AToken},
        {"clientVersion", AClientVersion},
        {"user", UserJson(AAccount)},
        {"pcs", Pcs},
        {"session", Session ? json{{"id", Session->Id}, {"pcName", Session->PcName}} : json(nullptr)},
    };
}

void SignInByForm(TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const std::string Email = ARequest.get_param_value("email");
    const auto Token = AState.SignIn(Email, ARequest.get_param_value("password"));
    if (!Token) {
        SendPage(AResponse, 401, LoginPage(Email, "", "이메일 또는 비밀번호가 올바르지 않습니다."));
        return;
    }
    SetCookie(AResponse, AState.OpenWebSession(*Token), false);
    AResponse.set_redirect("/app/launch", 303);
}

void ShowLaunchPage(const TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const auto Token = PageToken(AState, ARequest);
    const auto Account = Token ? AState.AccountOfToken(*Token) : std::nullopt;
    if (!Account) {
        AResponse.set_redirect("/app/login", 302);
        return;
    }
    const json Data = LaunchData(AState, *Token, *Account, ARequest.get_param_value("v"));
    SendPage(AResponse, 200, FillPage(*WebAsset("launch.html"), {{"data", ScriptJson(Data)}}));
}

// A code is good once; an unknown or used one leads to the sign-in page.
void LandWithCode(TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const auto Landing = AState.RedeemMagicCode(ARequest.get_param_value("code"));
    if (!Landing) {
        AResponse.set_redirect("/app/login", 302);
        return;
    }
    SetCookie(AResponse, AState.OpenWebSession(Landing->Token), false);
    AResponse.set_redirect(Landing->Redirect, 302);
}

void ServeStatic(const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const std::string Name = ARequest.matches[1].str();
    const char* Type = Name.ends_with(".css") ? "text/css; charset=utf-8"
                       : Name.ends_with(".js") ? "text/javascript; charset=utf-8"
                                               : nullptr;
    const auto Asset = Type ? WebAsset(Name) : std::nullopt;
    if (!Asset) {
        AResponse.status = 404;
        AResponse.set_content("찾을 수 없는 파일입니다.", "text/plain; charset=utf-8");
        return;
    }
    AResponse.set_header("Cache-Control", "no-store");
    AResponse.set_content(std::string(*Asset), Type);
}

}  // namespace

void AddWebRoutes(TRoutes& ARoutes)
{
    TServiceState& State = ARoutes.State();

    ARoutes.Get("/|/app/?", [](const httplib::Request&, httplib::Response& AResponse) {
        AResponse.set_redirect("/app/launch", 302);
    });
    ARoutes.Get("/app/login", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        if (PageToken(State, ARequest)) {
            AResponse.set_redirect("/app/launch", 302);
            return;
        }
        const TAccount Demo = DemoAccount();
        SendPage(AResponse, 200, LoginPage(Demo.Email, Demo.Password, ""));
    });
    ARoutes.Post("/app/login", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        SignInByForm(State, ARequest, AResponse);
    });
    ARoutes.Get("/app/launch", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        ShowLaunchPage(State, ARequest, AResponse);
    });
    ARoutes.Post("/app/logout", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        State.EndWebSession(CookieValue(ARequest, CookieName));
        SetCookie(AResponse, "", true);
        AResponse.set_redirect("/app/login", 303);
    });
    ARoutes.Get("/app/magic", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        LandWithCode(State, ARequest, AResponse);
    });
    ARoutes.Get("/app/static/([^/]+)", ServeStatic);
}

}  // namespace nimbral::devservice
