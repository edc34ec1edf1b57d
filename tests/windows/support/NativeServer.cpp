#include "support/NativeServer.h"

#include "core/HttpTransport.h"
#include "support/HexText.h"
#include "support/HostProgram.h"

#include <cctype>
#include <stdexcept>

namespace nimbral::wintest {

namespace {

// Path and content type go into a query string: escape what is not plain.
std::string Escape(const std::string& Text)
{
    std::string Out;
    for (unsigned char C : Text) {
        if (std::isalnum(C) || C == '/' || C == '-' || C == '_' || C == '.') {
            Out.push_back(static_cast<char>(C));
        } else {
            Out += "%" + ToHex(std::string(1, static_cast<char>(C)));
        }
    }
    return Out;
}

}  // namespace

TNativeServer::TNativeServer()
{
    // The server ends on /_quit, or by itself after 30 s without a request.
    const std::string PortFile = HostScratchPath("httpd") + ".port";
    StartHostProgram(HostHttpServer(), {PortFile, "30"});
    FPort = static_cast<int>(WaitForHostNumber(PortFile, std::chrono::seconds(10)));
}

TNativeServer::~TNativeServer()
{
    try {
        Control("/_quit");
    } catch (const std::exception&) {
        // Already gone; its idle limit ends it otherwise.
    }
}

std::string TNativeServer::Origin() const
{
    return "http://127.0.0.1:" + std::to_string(FPort);
}

void TNativeServer::Set(const std::string& Path, const TAnswer& A)
{
    Control("/_set?path=" + Escape(Path) + "&status=" + std::to_string(A.Status) + "&type=" + Escape(A.ContentType) +
            "&hex=" + ToHex(A.Body) + "&repeat=" + std::to_string(A.Repeat) + "&delay=" + std::to_string(A.DelayMs) + "&stall=" + std::to_string(A.StallMs) +
            (A.NoLength ? "&nolength=1" : "") + (A.Location.empty() ? "" : "&location=" + Escape(A.Location)));
}

void TNativeServer::SetPattern(const std::string& Path, std::int64_t Size)
{
    Control("/_bytes?path=" + Escape(Path) + "&size=" + std::to_string(Size));
}

void TNativeServer::SetFile(const std::string& Path, const std::string& UnixFile)
{
    Control("/_file?path=" + Escape(Path) + "&file=" + Escape(UnixFile));
}

std::string TNativeServer::LastRequest()
{
    return Control("/_last");
}

std::string TNativeServer::Control(const std::string& PathAndQuery)
{
    const auto Transport = CreateHttpTransport();
    Transport->SetConnectTimeout(5000);
    Transport->SetResponseTimeout(5000);
    THttpResponse Response = Transport->Send("GET", Origin() + PathAndQuery, nullptr);
    if (Response.StatusCode != 200) {
        throw std::runtime_error("test HTTP server refused " + PathAndQuery.substr(0, 80));
    }
    return Response.Body;
}

}  // namespace nimbral::wintest
