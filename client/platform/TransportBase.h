#pragma once
// What the platforms' transports share: the client-wide headers and
// time-outs, the redirects (core/HttpTransport's rules) and the reading of
// the answer in its declared charset. A platform adds one exchange.

#include "core/HttpTransport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral {

class TTransportBase : public THttpTransport {
public:
    void SetDefaultHeader(const std::string& Name, const std::string& Value) override;
    void SetConnectTimeout(std::int32_t Ms) override;
    void SetResponseTimeout(std::int32_t Ms) override;
    THttpResponse Send(std::string_view Method, const std::string& Url, const std::string* Body) override;
    THttpResponse Receive(const std::string& Url, const THttpSink& Sink, const THttpProgress& Progress) override;

protected:
    std::int32_t ConnectTimeoutMs() const { return FConnectMs; }
    std::int32_t ResponseTimeoutMs() const { return FResponseMs; }

    // One request exactly as given, no redirect followed, raising EHttpError
    // when the exchange fails. The body of an answer that FollowedRedirect
    // follows is read and dropped; any other body goes to Sink (with Progress
    // after every chunk) when one is given, else undecoded into the
    // response's Body through AppendAnswer.
    virtual THttpResponse Exchange(const THttpRequest& Request, const THttpSink* Sink,
                                   const THttpProgress* Progress) = 0;

private:
    std::vector<THttpHeader> FDefaults;
    std::int32_t FConnectMs = 0;
    std::int32_t FResponseMs = 0;
};

}  // namespace nimbral
