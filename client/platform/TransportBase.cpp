#include "platform/TransportBase.h"

#include "core/ContentType.h"
#include "platform/Charset.h"

#include <algorithm>

namespace nimbral {

void TTransportBase::SetDefaultHeader(const std::string& Name, const std::string& Value)
{
    SetHeader(FDefaults, Name, Value);
}

void TTransportBase::SetConnectTimeout(std::int32_t Ms)
{
    FConnectMs = std::max(Ms, 0);
}

void TTransportBase::SetResponseTimeout(std::int32_t Ms)
{
    FResponseMs = std::max(Ms, 0);
}

THttpResponse TTransportBase::Send(std::string_view Method, const std::string& Url, const std::string* Body)
{
    THttpResponse Response = FollowRedirects({std::string(Method), Url, Body, FDefaults},
                                             [this](const THttpRequest& R) { return Exchange(R, nullptr, nullptr); });
    const std::string* ContentType = Response.Header("Content-Type");
    Response.Body = ToUtf8(Response.Body, ContentType ? CharsetOf(*ContentType) : std::string());
    return Response;
}

THttpResponse TTransportBase::Receive(const std::string& Url, const THttpSink& Sink, const THttpProgress& Progress)
{
    return FollowRedirects({"GET", Url, nullptr, FDefaults},
                           [&](const THttpRequest& R) { return Exchange(R, &Sink, &Progress); });
}

}  // namespace nimbral
