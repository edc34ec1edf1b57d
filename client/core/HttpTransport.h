#pragma once
// The HTTP transport the client talks through. One interface, one
// implementation per platform (libcurl on Linux, WinHTTP on Windows), chosen
// by CMake; CreateHttpTransport returns the platform's one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral {

// Raised for every failure of the exchange itself: no connection, name
// resolution, TLS, either time-out, a transfer broken off. what() is the
// transport's own text.
class EHttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct THttpHeader {
    std::string Name;
    std::string Value;
};

struct THttpResponse {
    std::int32_t StatusCode = 0;
    std::vector<THttpHeader> Headers;
    // Send: the body decoded from the charset named by Content-Type into
    // UTF-8 (UTF-8 when none is named). Receive: empty, the sink had it.
    std::string Body;

    // Value of the first header of that name (case-insensitive), or nullptr.
    const std::string* Header(std::string_view Name) const;
};

// Sets the header Name in Headers to Value, replacing one of the same name
// (names compare without regard to letter case).
void SetHeader(std::vector<THttpHeader>& Headers, const std::string& Name, const std::string& Value);

// The rules every transport applies to the headers it sends, in one place:
// a name is a token, and a value holds no CR, LF or NUL (a token from the
// page could otherwise add headers of its own). Raises EHttpError.
void CheckRequestHeader(const THttpHeader& Header);

// Answers that Send reads into memory stop here: no answer of the service
// or of the manifest comes near it, and a server that streams on must not
// exhaust memory. The package download is streamed and has no such cap.
inline constexpr std::size_t kMaxAnswerBytes = 16u << 20;
// Appends a chunk of an answer read into memory; raises EHttpError once the
// answer would pass kMaxAnswerBytes.
void AppendAnswer(std::string& Answer, const char* Data, std::size_t Size);

// One request as a transport sends it.
struct THttpRequest {
    std::string Method;
    std::string Url;
    const std::string* Body = nullptr;
    std::vector<THttpHeader> Headers;
};

// Redirects are followed on every platform as WinHTTP follows them by
// default: 301, 302, 303, 307 and 308 with a Location, at most 10 in a row,
// and never from HTTPS to HTTP (that answer is then the response itself).
inline constexpr int kMaxRedirects = 10;

// Where the answer Head (status and headers) to a request for Url redirects
// to, as an absolute URL, when that redirect is followed; none otherwise. A
// transport drops the body of an answer that is followed.
std::optional<std::string> FollowedRedirect(const std::string& Url, const THttpResponse& Head);

// Sends Request through Exchange (one request, no redirect followed) and
// follows the redirects of the answers: 303, and 301 or 302 after a POST,
// continue as a GET without a body; the Authorization header goes only to
// the origin first asked. The headers are checked before anything is sent.
// More than kMaxRedirects in a row raise EHttpError.
THttpResponse FollowRedirects(THttpRequest Request,
                              const std::function<THttpResponse(const THttpRequest&)>& Exchange);

// Receives the raw body chunk by chunk; raising from it aborts the transfer.
using THttpSink = std::function<void(const char* Data, std::size_t Size)>;
// Bytes received so far and the announced total (0 or negative when unknown).
using THttpProgress = std::function<void(std::int64_t Received, std::int64_t Total)>;

class THttpTransport {
public:
    virtual ~THttpTransport() = default;

    // Client-wide default header, sent with every request until changed; an
    // empty value sends no such header at all.
    virtual void SetDefaultHeader(const std::string& Name, const std::string& Value) = 0;
    // How long to wait for the connection to be made.
    virtual void SetConnectTimeout(std::int32_t Ms) = 0;
    // How long to wait for the answer to begin; not a cap on a long transfer.
    // 0 waits without limit.
    virtual void SetResponseTimeout(std::int32_t Ms) = 0;

    // Method is "GET", "POST" or "DELETE"; Body is sent when not null.
    // Any HTTP status is a response; only a failed exchange raises EHttpError.
    virtual THttpResponse Send(std::string_view Method, const std::string& Url,
                               const std::string* Body) = 0;

    // GET with the body streamed into Sink (undecoded) and Progress called
    // after every chunk. Raises EHttpError as Send does.
    virtual THttpResponse Receive(const std::string& Url, const THttpSink& Sink,
                                  const THttpProgress& Progress) = 0;
};

// A new transport of the platform's kind. Connections are kept alive and
// reused between requests of the same transport.
std::unique_ptr<THttpTransport> CreateHttpTransport();

}  // namespace nimbral
