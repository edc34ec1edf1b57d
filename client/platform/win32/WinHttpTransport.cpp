// The WinHTTP transport. One session handle lives as long as the transport;
// WinHTTP keeps connections alive in the session's pool, so opening a
// connection handle per request still reuses the socket.
//
// Time-outs: the connect time-out and the per-read receive time-out go
// through WinHttpSetTimeouts, and the wait for the answer's headers through
// WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT. Both are set: the receive time-out
// keeps a stalled body from hanging, the response option bounds the wait for
// the answer to begin. 0 means no limit for both.
//
// WinHTTP would follow redirects by itself and carry every added header,
// the bearer token included, to whatever host they lead to; so it follows
// none, and TTransportBase follows them as on every platform. No user agent
// is given: the session sends none, as libcurl does.
#include "core/Text.h"
#include "platform/TransportBase.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinHttpHandles.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace nimbral {

namespace {

using win32::TWinHttpHandle;

[[noreturn]] void RaiseLastError(const char* Step)
{
    const DWORD Code = GetLastError();
    throw EHttpError(win32::SystemErrorText(Code) + " [" + Step + "]");
}

// WINHTTP_QUERY_RAW_HEADERS_CRLF gives the status line, then one header per line.
std::vector<THttpHeader> ParseRawHeaders(const std::string& Raw)
{
    std::vector<THttpHeader> Headers;
    std::size_t Start = Raw.find('\n');
    while (Start != std::string::npos && Start + 1 < Raw.size()) {
        const std::size_t End = Raw.find('\n', Start + 1);
        const std::string_view Line = TrimBlanks(std::string_view(Raw).substr(Start + 1, End == std::string::npos ? std::string::npos : End - Start - 1));
        const std::size_t Colon = Line.find(':');
        if (Colon != std::string_view::npos) {
            Headers.push_back({std::string(TrimBlanks(Line.substr(0, Colon))), std::string(TrimBlanks(Line.substr(Colon + 1)))});
        }
        Start = End;
    }
    return Headers;
}

std::wstring QueryHeaderText(HINTERNET Request, DWORD Info)
{
    DWORD Bytes = 0;
    WinHttpQueryHeaders(Request, Info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &Bytes, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || Bytes == 0) {
        return {};
    }
    std::wstring Text(Bytes / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(Request, Info, WINHTTP_HEADER_NAME_BY_INDEX, Text.data(), &Bytes, WINHTTP_NO_HEADER_INDEX)) {
        RaiseLastError("WinHttpQueryHeaders");
    }
    Text.resize(Bytes / sizeof(wchar_t));
    return Text;
}

class TWinHttpTransport final : public TTransportBase {
public:
    TWinHttpTransport()
        : FSession(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0))
    {
        if (!FSession) {
            RaiseLastError("WinHttpOpen");
        }
    }

private:
    TWinHttpHandle FSession;

    static std::wstring HeaderBlock(const std::vector<THttpHeader>& Headers)
    {
        std::wstring Block;
        for (const THttpHeader& H : Headers) {
            if (!H.Value.empty()) {
                Block += win32::Widen(H.Name + ": " + H.Value + "\r\n");
            }
        }
        return Block;
    }

    THttpResponse Exchange(const THttpRequest& Request, const THttpSink* Sink,
                           const THttpProgress* Progress) override
    {
        const std::wstring WideUrl = win32::Widen(Request.Url);
        URL_COMPONENTS Parts{};
        Parts.dwStructSize = sizeof Parts;
        Parts.dwSchemeLength = static_cast<DWORD>(-1);
        Parts.dwHostNameLength = static_cast<DWORD>(-1);
        Parts.dwUrlPathLength = static_cast<DWORD>(-1);
        Parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(WideUrl.c_str(), static_cast<DWORD>(WideUrl.size()), 0, &Parts)) {
            RaiseLastError("WinHttpCrackUrl");
        }
        const std::wstring Host(Parts.lpszHostName, Parts.dwHostNameLength);
        std::wstring Target(Parts.lpszUrlPath, Parts.dwUrlPathLength);
        Target.append(Parts.lpszExtraInfo, Parts.dwExtraInfoLength);
        if (Target.empty()) {
            Target = L"/";
        }

        const TWinHttpHandle Connection(WinHttpConnect(FSession.get(), Host.c_str(), Parts.nPort, 0));
        if (!Connection) {
            RaiseLastError("WinHttpConnect");
        }
        const std::wstring Verb = win32::Widen(Request.Method);
        const DWORD Secure = Parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
        const TWinHttpHandle Handle(WinHttpOpenRequest(Connection.get(), Verb.c_str(), Target.c_str(), nullptr,
                                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, Secure));
        if (!Handle) {
            RaiseLastError("WinHttpOpenRequest");
        }
        HINTERNET R = Handle.get();
        if (!WinHttpSetTimeouts(R, 0, ConnectTimeoutMs(), ResponseTimeoutMs(), ResponseTimeoutMs())) {
            RaiseLastError("WinHttpSetTimeouts");
        }
        DWORD ResponseWait = ResponseTimeoutMs() > 0 ? static_cast<DWORD>(ResponseTimeoutMs()) : INFINITE;
        WinHttpSetOption(R, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ResponseWait, sizeof ResponseWait);
        DWORD Redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (!WinHttpSetOption(R, WINHTTP_OPTION_REDIRECT_POLICY, &Redirects, sizeof Redirects)) {
            RaiseLastError("WinHttpSetOption");
        }

        const std::wstring Headers = HeaderBlock(Request.Headers);
        if (!Headers.empty() &&
            !WinHttpAddRequestHeaders(R, Headers.c_str(), static_cast<DWORD>(Headers.size()),
                                      WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
            RaiseLastError("WinHttpAddRequestHeaders");
        }
        const std::string* Body = Request.Body;
        const DWORD BodySize = Body ? static_cast<DWORD>(Body->size()) : 0;
        void* BodyData = Body && !Body->empty() ? const_cast<char*>(Body->data()) : WINHTTP_NO_REQUEST_DATA;
        if (!WinHttpSendRequest(R, WINHTTP_NO_ADDITIONAL_HEADERS, 0, BodyData, BodySize, BodySize, 0)) {
            RaiseLastError("WinHttpSendRequest");
        }
        if (!WinHttpReceiveResponse(R, nullptr)) {
            RaiseLastError("WinHttpReceiveResponse");
        }

        THttpResponse Response;
        DWORD Status = 0;
        DWORD StatusSize = sizeof Status;
        if (!WinHttpQueryHeaders(R, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                                 &Status, &StatusSize, WINHTTP_NO_HEADER_INDEX)) {
            RaiseLastError("WinHttpQueryHeaders");
        }
        Response.StatusCode = static_cast<std::int32_t>(Status);
        Response.Headers = ParseRawHeaders(win32::Narrow(QueryHeaderText(R, WINHTTP_QUERY_RAW_HEADERS_CRLF)));

        std::int64_t Total = -1;
        if (const std::string* Length = Response.Header("Content-Length")) {
            std::from_chars(Length->data(), Length->data() + Length->size(), Total);
        }
        if (FollowedRedirect(Request.Url, Response)) {
            ReadBody(R, [](const char*, std::size_t) {}, nullptr, Total);
        } else if (Sink != nullptr) {
            ReadBody(R, *Sink, Progress, Total);
        } else {
            ReadBody(R, [&Response](const char* Data, std::size_t Size) { AppendAnswer(Response.Body, Data, Size); },
                     nullptr, Total);
        }
        return Response;
    }

    static void ReadBody(HINTERNET R, const THttpSink& Sink, const THttpProgress* Progress, std::int64_t Total)
    {
        std::vector<char> Buffer(64 * 1024);
        std::int64_t Received = 0;
        while (true) {
            DWORD Available = 0;
            if (!WinHttpQueryDataAvailable(R, &Available)) {
                RaiseLastError("WinHttpQueryDataAvailable");
            }
            if (Available == 0) {
                break;
            }
            DWORD Read = 0;
            const DWORD Want = std::min<DWORD>(Available, static_cast<DWORD>(Buffer.size()));
            if (!WinHttpReadData(R, Buffer.data(), Want, &Read)) {
                RaiseLastError("WinHttpReadData");
            }
            if (Read == 0) {
                break;
            }
            Sink(Buffer.data(), Read);
            Received += Read;
            if (Progress != nullptr && *Progress) {
                (*Progress)(Received, Total);
            }
        }
        if (Total >= 0 && Received < Total) {
            throw EHttpError("the connection closed after " + std::to_string(Received) + " of " +
                             std::to_string(Total) + " bytes");
        }
    }
};

}  // namespace

std::unique_ptr<THttpTransport> CreateHttpTransport()
{
    return std::make_unique<TWinHttpTransport>();
}

}  // namespace nimbral
