#pragma once
// The little of URLs the transports need to follow a redirect: resolving the
// Location of an answer against the address asked, and telling whether two
// addresses belong to the same origin.

#include <optional>
#include <string>
#include <string_view>

namespace nimbral {

// Reference resolved against the absolute URL Base (RFC 3986, section 5.2),
// without its fragment; none when Base is not absolute.
std::optional<std::string> ResolveUrl(std::string_view Base, std::string_view Reference);

// Scheme, host and port of an absolute URL, in lower case and with the
// scheme's default port filled in ("http://Api.Example:80/x" and
// "http://api.example/" give the same); none when Url is not absolute.
struct TUrlOrigin {
    std::string Scheme;
    std::string Host;
    std::string Port;

    bool operator==(const TUrlOrigin&) const = default;
};
std::optional<TUrlOrigin> OriginOf(std::string_view Url);

}  // namespace nimbral
