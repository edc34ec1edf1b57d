#include "Replies.h"

#include <cctype>
#include <string_view>

namespace nimbral::devservice {

namespace {

std::string_view Trimmed(std::string_view AText)
{
    const auto First = AText.find_first_not_of(" \t");
    if (First == std::string_view::npos) {
        return {};
    }
    return AText.substr(First, AText.find_last_not_of(" \t") - First + 1);
}

bool EqualsIgnoringCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size()) {
        return false;
    }
    for (std::size_t I = 0; I < A.size(); ++I) {
        if (std::tolower(static_cast<unsigned char>(A[I])) != std::tolower(static_cast<unsigned char>(B[I]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string OriginOf(const httplib::Request& ARequest)
{
    return "http://127.0.0.1:" + std::to_string(ARequest.local_port);
}

void SendEnvelope(httplib::Response& AResponse, int AStatus, bool ASuccess, const std::string& AMessage,
                  const nlohmann::json& AData)
{
    SendJson(AResponse, AStatus, {{"success", ASuccess}, {"message", AMessage}, {"data", AData}});
}

void SendJson(httplib::Response& AResponse, int AStatus, const nlohmann::json& ABody)
{
    AResponse.status = AStatus;
    AResponse.set_header("Cache-Control", "no-store");
    // Request bodies echoed by the control interface may hold bytes that are
    // not UTF-8; they go out replaced rather than failing the answer.
    AResponse.set_content(ABody.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                          "application/json; charset=utf-8");
}

std::optional<nlohmann::json> ObjectBody(const httplib::Request& ARequest)
{
    if (Trimmed(ARequest.body).empty()) {
        return nlohmann::json::object();
    }
    nlohmann::json Body = nlohmann::json::parse(ARequest.body, nullptr, false);
    if (!Body.is_object()) {
        return std::nullopt;  // not JSON (discarded) or not an object
    }
    return Body;
}

std::string BearerToken(const httplib::Request& ARequest)
{
    const std::string Header = ARequest.get_header_value("Authorization");
    const std::string_view Value = Trimmed(Header);
    const auto Blank = Value.find(' ');
    if (Blank == std::string_view::npos || !EqualsIgnoringCase(Value.substr(0, Blank), "Bearer")) {
        return {};
    }
    return std::string(Trimmed(Value.substr(Blank + 1)));
}

std::string CookieValue(const httplib::Request& ARequest, const std::string& AName)
{
    const std::size_t Count = ARequest.get_header_value_count("Cookie");
    for (std::size_t I = 0; I < Count; ++I) {
        const std::string Header = ARequest.get_header_value("Cookie", I);
        std::string_view Rest = Header;
        while (!Rest.empty()) {
            const auto Semicolon = Rest.find(';');
            const std::string_view Pair = Trimmed(Rest.substr(0, Semicolon));
            const auto Equals = Pair.find('=');
            if (Equals != std::string_view::npos && Pair.substr(0, Equals) == AName) {
                return std::string(Pair.substr(Equals + 1));
            }
            Rest = Semicolon == std::string_view::npos ? std::string_view() : Rest.substr(Semicolon + 1);
        }
    }
    return {};
}

}  // namespace nimbral::devservice
