// The request core: one transport per client, the envelope read from every
// answer, and every failure of the exchange turned into a response.
#include "api/ApiClient.h"
#include "api/Envelope.h"

#include <exception>

namespace nimbral {

namespace {

const std::string NetworkErrorPrefix = "네트워크 오류: ";

}  // namespace

TApiClient::TApiClient(std::string ABaseURL, TApiTimeouts ATimeouts)
    : FBaseURL(std::move(ABaseURL)), FHttpClient(CreateHttpTransport())
{
    FHttpClient->SetDefaultHeader("Content-Type", "application/json");
    FHttpClient->SetDefaultHeader("Accept", "application/json");
    FHttpClient->SetConnectTimeout(ATimeouts.ConnectMs);
    FHttpClient->SetResponseTimeout(ATimeouts.ResponseMs);
}

TApiClient::~TApiClient() = default;

TApiResponse TApiClient::DoRequest(std::string_view AMethod, const std::string& APath, const TJsonValue* ABody)
{
    TApiResponse Result;
    const std::string Url = FBaseURL + APath;
    // Recomputed for every request, so a token change (or sign-out) takes
    // effect on the next call and no earlier credential goes out.
    FHttpClient->SetDefaultHeader("Authorization", FAuthToken.empty() ? std::string() : "Bearer " + FAuthToken);

    try {
        THttpResponse Answer;
        if (AMethod == "POST") {
            const std::string Body = ABody != nullptr ? SerializeJson(*ABody) : std::string("{}");
            Answer = FHttpClient->Send(AMethod, Url, &Body);
        } else {
            Answer = FHttpClient->Send(AMethod, Url, nullptr);
        }
        Result.StatusCode = Answer.StatusCode;
        ReadEnvelope(Answer.Body, Result);
    } catch (const std::exception& E) {
        // StatusCode stays 0 unless an answer had arrived; RawJSON stays as
        // far as it got and is released with the response.
        Result.Success = false;
        Result.Message = NetworkErrorPrefix + E.what();
    }
    return Result;
}

std::string EncodeRegionKey(std::string_view AKey)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    static constexpr std::string_view Kept = "!$'()*-.@_";
    std::string Out;
    for (const char Ch : AKey) {
        const auto C = static_cast<unsigned char>(Ch);
        const bool Alnum = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9');
        if (Alnum || (C < 0x80 && Kept.find(Ch) != std::string_view::npos)) {
            Out += Ch;
        } else if (C == ' ') {
            Out += '+';
        } else {
            Out += '%';
            Out += Hex[C >> 4];
            Out += Hex[C & 0xF];
        }
    }
    return Out;
}

}  // namespace nimbral
