#include "ContentType.h"

#include <algorithm>
#include <cctype>

namespace nimbral {

namespace {

std::string_view Trim(std::string_view S)
{
    while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) {
        S.remove_prefix(1);
    }
    while (!S.empty() && (S.back() == ' ' || S.back() == '\t')) {
        S.remove_suffix(1);
    }
    return S;
}

}  // namespace

std::string CharsetOf(std::string_view ContentType)
{
    // Parameters follow the media type, each after a ';'. A quoted value may
    // itself hold ';', so walk the text rather than split it.
    std::size_t Pos = ContentType.find(';');
    while (Pos != std::string_view::npos) {
        std::string_view Rest = ContentType.substr(Pos + 1);
        const std::size_t Eq = Rest.find('=');
        const std::size_t Semi = Rest.find(';');
        if (Eq == std::string_view::npos || (Semi != std::string_view::npos && Semi < Eq)) {
            Pos = Semi == std::string_view::npos ? Semi : Pos + 1 + Semi;
            continue;
        }
        std::string Name(Trim(Rest.substr(0, Eq)));
        std::transform(Name.begin(), Name.end(), Name.begin(),
                       [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
        std::string_view Value = Rest.substr(Eq + 1);
        while (!Value.empty() && (Value.front() == ' ' || Value.front() == '\t')) {
            Value.remove_prefix(1);
        }
        std::string Text;
        std::size_t Used = 0;
        if (!Value.empty() && Value.front() == '"') {
            std::size_t I = 1;
            for (; I < Value.size() && Value[I] != '"'; ++I) {
                if (Value[I] == '\\' && I + 1 < Value.size()) {
                    ++I;
                }
                Text += Value[I];
            }
            Used = std::min(I + 1, Value.size());
        } else {
            Used = std::min(Value.find(';'), Value.size());
            Text = std::string(Trim(Value.substr(0, Used)));
        }
        if (Name == "charset") {
            return Text;
        }
        const std::size_t Next = Value.substr(Used).find(';');
        Pos = Next == std::string_view::npos
                  ? Next
                  : static_cast<std::size_t>(Value.data() - ContentType.data()) + Used + Next;
    }
    return {};
}

}  // namespace nimbral
