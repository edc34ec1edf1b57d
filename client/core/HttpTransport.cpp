#include "HttpTransport.h"

#include "core/Text.h"
#include "core/Url.h"

#include <algorithm>

namespace nimbral {

namespace {

bool IsTokenCharacter(char C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(C) != std::string_view::npos;
}

bool IsRedirectStatus(std::int32_t Status)
{
    return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308;
}

}  // namespace

void SetHeader(std::vector<THttpHeader>& Headers, const std::string& Name, const std::string& Value)
{
    for (THttpHeader& H : Headers) {
        if (SameTextNoCase(H.Name, Name)) {
            H.Value = Value;
            return;
        }
    }
    Headers.push_back({Name, Value});
}

const std::string* THttpResponse::Header(std::string_view Name) const
{
    for (const THttpHeader& H : Headers) {
        if (SameTextNoCase(H.Name, Name)) {
            return &H.Value;
        }
    }
    return nullptr;
}

void CheckRequestHeader(const THttpHeader& Header)
{
    if (Header.Name.empty() || !std::all_of(Header.Name.begin(), Header.Name.end(), IsTokenCharacter)) {
        throw EHttpError("a request header may not be named \"" + Header.Name + "\"");
    }
    if (Header.Value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        throw EHttpError("header " + Header.Name + " holds a line break");
    }
}

void AppendAnswer(std::string& Answer, const char* Data, std::size_t Size)
{
    if (Size > kMaxAnswerBytes - Answer.size()) {
        throw EHttpError("the answer is longer than " + std::to_string(kMaxAnswerBytes >> 20) + " MiB");
    }
    Answer.append(Data, Size);
}

std::optional<std::string> FollowedRedirect(const std::string& Url, const THttpResponse& Head)
{
    const std::string* Location = Head.Header("Location");
    if (!IsRedirectStatus(Head.StatusCode) || Location == nullptr || Location->empty()) {
        return std::nullopt;
    }
    std::optional<std::string> Target = ResolveUrl(Url, TrimBlanks(*Location));
    const std::optional<TUrlOrigin> From = OriginOf(Url);
    const std::optional<TUrlOrigin> To = Target ? OriginOf(*Target) : std::nullopt;
    if (!From || !To || (To->Scheme != "http" && To->Scheme != "https") ||
        (From->Scheme == "https" && To->Scheme == "http")) {
        return std::nullopt;
    }
    return Target;
}

THttpResponse FollowRedirects(THttpRequest Request,
                              const std::function<THttpResponse(const THttpRequest&)>& Exchange)
{
    for (const THttpHeader& H : Request.Headers) {
        CheckRequestHeader(H);
    }
    const std::optional<TUrlOrigin> First = OriginOf(Request.Url);
    const std::vector<THttpHeader> Headers = Request.Headers;
    for (int Followed = 0;; ++Followed) {
        THttpResponse Response = Exchange(Request);
        const std::optional<std::string> Next = FollowedRedirect(Request.Url, Response);
        if (!Next) {
            return Response;
        }
        if (Followed == kMaxRedirects) {
            throw EHttpError("more than " + std::to_string(kMaxRedirects) + " redirects in a row");
        }
        const std::int32_t Status = Response.StatusCode;
        if ((Status == 303 && Request.Method != "GET") ||
            ((Status == 301 || Status == 302) && Request.Method == "POST")) {
            Request.Method = "GET";
            Request.Body = nullptr;
        }
        Request.Url = *Next;
        Request.Headers = Headers;
        if (OriginOf(Request.Url) != First) {
            std::erase_if(Request.Headers, [](const THttpHeader& H) { return SameTextNoCase(H.Name, "Authorization"); });
        }
    }
}

}  // namespace nimbral
