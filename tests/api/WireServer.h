#pragma once
// A local HTTP server for the request core's suite, which runs on every
// platform: on Linux an in-process server (support/TestServer.h), under Wine
// the build machine's scriptable server (tests/windows/host). Both record
// the requests they receive as they arrived on the wire.

#include "core/Text.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbral::test {

struct TWireRequest {
    std::string Method;
    std::string Target;  // path and query as sent
    std::string Body;
    std::vector<std::pair<std::string, std::string>> Headers;  // every header line received

    // The value of the header Name (any letter case); none when it was not sent.
    std::optional<std::string> Header(std::string_view Name) const
    {
        for (const auto& [N, V] : Headers) {
            if (SameTextNoCase(N, Name)) {
                return V;
            }
        }
        return std::nullopt;
    }
    // How many times Name was sent.
    std::size_t Count(std::string_view Name) const
    {
        std::size_t N = 0;
        for (const auto& Header : Headers) {
            N += SameTextNoCase(Header.first, Name) ? 1 : 0;
        }
        return N;
    }
};

class TWireServer {
public:
    virtual ~TWireServer() = default;
    // "http://127.0.0.1:<port>"
    virtual std::string Origin() const = 0;
    // Requests to Path get this answer from now on; unscripted paths get 404.
    virtual void Answer(const std::string& Path, int Status, const std::string& Body,
                        const std::string& ContentType) = 0;
    // The last request received; an empty one before any.
    virtual TWireRequest Last() = 0;
};

std::unique_ptr<TWireServer> StartWireServer();

}  // namespace nimbral::test
