// The control interface for tests: the request log, a reset, and switches
// that make the service misbehave on purpose. JSON in, JSON out; its own
// requests are not recorded.
#include "Replies.h"
#include "Routes.h"
#include "ServiceJson.h"

namespace nimbral::devservice {

namespace {

using nlohmann::json;

const json Ok = {{"ok", true}};

void Fail(httplib::Response& AResponse, const std::string& AError)
{
    SendJson(AResponse, 400, {{"error", AError}});
}

bool IsErrorStatus(const json& AValue)
{
    return AValue.is_number_integer() && AValue.get<std::int64_t>() >= 400 && AValue.get<std::int64_t>() <= 599;
}

json RequestsJson(const std::vector<TRecordedRequest>& ARequests)
{
    json List = json::array();
    for (const TRecordedRequest& R : ARequests) {
        List.push_back({{"method", R.Method},
                        {"path", R.Path},
                        {"query", R.Query},
                        {"authorization", R.Authorization},
                        {"body", R.Body}});
    }
    return {{"requests", List}};
}

json StateJson(const TStateSnapshot& ASnapshot)
{
    json Tokens = json::array();
    for (const auto& [Token, Account] : ASnapshot.Tokens) {
        Tokens.push_back({{"token", Token}, {"user_id", Account.Id}, {"email", Account.Email}});
    }
    json Sessions = json::array();
    for (const TRemoteSession& S : ASnapshot.Sessions) {
        json Session = SessionJson(S);
        Session["user_id"] = S.AccountId;
        Sessions.push_back(std::move(Session));
    }
    return {{"tokens", Tokens},
            {"web_sessions", ASnapshot.WebSessions},
            {"sessions", Sessions},
            {"current_session", Sessions.empty() ? json(nullptr) : Sessions.back()}};
}

void RefuseNext(TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const auto Body = ObjectBody(ARequest);
    if (!Body || !Body->contains("path") || !(*Body)["path"].is_string() ||
        !(*Body)["path"].get<std::string>().starts_with('/')) {
        Fail(AResponse, "expected {\"path\":\"/...\",\"status\":400-599,\"message\":\"...\"}");
        return;
    }
    const json Status = Body->value("status", json(500));
    const json Message = Body->value("message", json("일시적인 오류가 발생했습니다. 잠시 후 다시 시도해 주세요."));
    if (!IsErrorStatus(Status) || !Message.is_string()) {
        Fail(AResponse, "\"status\" must be 400-599 and \"message\" a string");
        return;
    }
    AState.Refuse((*Body)["path"].get<std::string>(), {Status.get<int>(), Message.get<std::string>()});
    SendJson(AResponse, 200, Ok);
}

// {"status":N} alone switches the manifest off with that status; any other
// JSON becomes the manifest, served as the text it was sent as.
void SetManifest(TServiceState& AState, const httplib::Request& ARequest, httplib::Response& AResponse)
{
    const json Body = json::parse(ARequest.body, nullptr, false);
    if (Body.is_discarded()) {
        Fail(AResponse, "the manifest must be JSON");
        return;
    }
    if (Body.is_object() && Body.size() == 1 && Body.contains("status")) {
        if (!IsErrorStatus(Body["status"])) {
            Fail(AResponse, "\"status\" must be 400-599");
            return;
        }
        AState.SetManifest({Body["status"].get<int>(), ""});
    } else {
        AState.SetManifest({200, ARequest.body});
    }
    SendJson(AResponse, 200, Ok);
}

}  // namespace

void AddControlRoutes(TRoutes& ARoutes)
{
    TServiceState& State = ARoutes.State();
    httplib::Server& Server = ARoutes.Server();

    Server.Get("/_control/requests", [&State](const httplib::Request&, httplib::Response& AResponse) {
        SendJson(AResponse, 200, RequestsJson(State.Requests()));
    });
    Server.Get("/_control/state", [&State](const httplib::Request&, httplib::Response& AResponse) {
        SendJson(AResponse, 200, StateJson(State.Snapshot()));
    });
    Server.Post("/_control/reset", [&State](const httplib::Request&, httplib::Response& AResponse) {
        State.Reset();
        SendJson(AResponse, 200, Ok);
    });
    // The page is signed out while every bearer token stays valid.
    Server.Post("/_control/sign-out-page", [&State](const httplib::Request&, httplib::Response& AResponse) {
        State.EndAllWebSessions();
        SendJson(AResponse, 200, Ok);
    });
    Server.Post("/_control/end-session", [&State](const httplib::Request&, httplib::Response& AResponse) {
        SendJson(AResponse, 200, {{"ended", State.EndAllSessions()}});
    });
    Server.Post("/_control/refuse-next", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        RefuseNext(State, ARequest, AResponse);
    });
    Server.Post("/_control/manifest", [&State](const httplib::Request& ARequest, httplib::Response& AResponse) {
        SetManifest(State, ARequest, AResponse);
    });
}

}  // namespace nimbral::devservice
