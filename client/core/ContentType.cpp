#include "ContentType.h"

#include "core/Text.h"

#include <algorithm>

namespace nimbral {

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
        const std::string_view Name = TrimBlanks(Rest.substr(0, Eq));
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
            Text = std::string(TrimBlanks(Value.substr(0, Used)));
        }
        if (SameTextNoCase(Name, "charset")) {
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
