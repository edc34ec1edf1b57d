#include "core/Url.h"

#include "core/Text.h"

namespace nimbral {

namespace {

// The five parts of a URI reference; a part that is absent is none, which
// differs from empty ("http://h?" has an empty query, "http://h" none).
struct TParts {
    std::optional<std::string_view> Scheme;
    std::optional<std::string_view> Authority;
    std::string_view Path;
    std::optional<std::string_view> Query;
};

TParts Split(std::string_view Text)
{
    TParts P;
    Text = Text.substr(0, Text.find('#'));
    const std::size_t Colon = Text.find(':');
    if (Colon != std::string_view::npos && Colon > 0 &&
        Text.find_first_of("/?") > Colon &&
        Text.substr(0, Colon).find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-") ==
            std::string_view::npos) {
        P.Scheme = Text.substr(0, Colon);
        Text.remove_prefix(Colon + 1);
    }
    if (Text.starts_with("//")) {
        const std::size_t End = Text.find_first_of("/?", 2);
        P.Authority = Text.substr(2, End == std::string_view::npos ? std::string_view::npos : End - 2);
        Text.remove_prefix(End == std::string_view::npos ? Text.size() : End);
    }
    const std::size_t Question = Text.find('?');
    P.Path = Text.substr(0, Question);
    if (Question != std::string_view::npos) {
        P.Query = Text.substr(Question + 1);
    }
    return P;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string_view In)
{
    std::string Out;
    while (!In.empty()) {
        if (In.starts_with("../")) {
            In.remove_prefix(3);
        } else if (In.starts_with("./")) {
            In.remove_prefix(2);
        } else if (In.starts_with("/./")) {
            In.remove_prefix(2);
        } else if (In == "/.") {
            In = "/";
        } else if (In.starts_with("/../") || In == "/..") {
            In = In.size() == 3 ? std::string_view("/") : In.substr(3);
            const std::size_t Slash = Out.rfind('/');
            Out.erase(Slash == std::string::npos ? 0 : Slash);
        } else if (In == "." || In == "..") {
            In = {};
        } else {
            const std::size_t Next = In.find('/', 1);
            const std::size_t Take = Next == std::string_view::npos ? In.size() : Next;
            Out += In.substr(0, Take);
            In.remove_prefix(Take);
        }
    }
    return Out;
}

std::string Join(std::string_view Scheme, std::string_view Authority, std::string_view Path,
                 const std::optional<std::string_view>& Query)
{
    std::string Out = std::string(Scheme) + "://" + std::string(Authority) + std::string(Path);
    if (Query) {
        Out += '?';
        Out += *Query;
    }
    return Out;
}

}  // namespace

std::optional<std::string> ResolveUrl(std::string_view Base, std::string_view Reference)
{
    const TParts B = Split(Base);
    if (!B.Scheme || !B.Authority) {
        return std::nullopt;
    }
    const TParts R = Split(Reference);
    if (R.Scheme) {
        if (!R.Authority) {
            return std::nullopt;  // "mailto:x" and the like lead nowhere a transport goes
        }
        return Join(*R.Scheme, *R.Authority, RemoveDotSegments(R.Path), R.Query);
    }
    if (R.Authority) {
        return Join(*B.Scheme, *R.Authority, RemoveDotSegments(R.Path), R.Query);
    }
    if (R.Path.empty()) {
        return Join(*B.Scheme, *B.Authority, B.Path, R.Query ? R.Query : B.Query);
    }
    if (R.Path.front() == '/') {
        return Join(*B.Scheme, *B.Authority, RemoveDotSegments(R.Path), R.Query);
    }
    // Merge (5.2.3): the reference replaces the last segment of the base path.
    const std::string Merged = B.Path.empty() ? "/" + std::string(R.Path)
                                              : std::string(B.Path.substr(0, B.Path.rfind('/') + 1)) + std::string(R.Path);
    return Join(*B.Scheme, *B.Authority, RemoveDotSegments(Merged), R.Query);
}

std::optional<TUrlOrigin> OriginOf(std::string_view Url)
{
    const TParts P = Split(Url);
    if (!P.Scheme || !P.Authority) {
        return std::nullopt;
    }
    TUrlOrigin O;
    O.Scheme = AsciiLower(*P.Scheme);
    std::string_view HostPort = P.Authority->substr(P.Authority->rfind('@') + 1);
    const std::size_t Bracket = HostPort.rfind(']');
    const std::size_t Colon = HostPort.rfind(':');
    if (Colon != std::string_view::npos && (Bracket == std::string_view::npos || Colon > Bracket)) {
        O.Port = std::string(HostPort.substr(Colon + 1));
        HostPort = HostPort.substr(0, Colon);
    }
    O.Host = AsciiLower(HostPort);
    if (O.Port.empty()) {
        O.Port = O.Scheme == "https" ? "443" : O.Scheme == "http" ? "80" : "";
    }
    return O;
}

}  // namespace nimbral
