#pragma once
// Reading requests and writing answers, shared by the route groups.

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace nimbral::devservice {

// The service's own origin as the request reached it: every origin of the
// development build is this one server.
std::string OriginOf(const httplib::Request& ARequest);

// The API's envelope {"success", "message", "data"}.
void SendEnvelope(httplib::Response& AResponse, int AStatus, bool ASuccess, const std::string& AMessage,
                  const nlohmann::json& AData = nullptr);

// Plain JSON, as the control interface and the content host answer.
void SendJson(httplib::Response& AResponse, int AStatus, const nlohmann::json& ABody);

// The body as a JSON object; an empty body counts as {}. None when the body
// is not JSON or not an object.
std::optional<nlohmann::json> ObjectBody(const httplib::Request& ARequest);

// The token of "Authorization: Bearer <token>", empty when there is none.
std::string BearerToken(const httplib::Request& ARequest);

// The value of one cookie of the request, empty when it is absent.
std::string CookieValue(const httplib::Request& ARequest, const std::string& AName);

}  // namespace nimbral::devservice
