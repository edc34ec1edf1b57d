#include "core/Text.h"

#include <algorithm>

namespace nimbral {

namespace {

char LowerAscii(char C)
{
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

bool IsBlank(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

}  // namespace

bool SameTextNoCase(std::string_view A, std::string_view B)
{
    return A.size() == B.size() &&
           std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) { return LowerAscii(X) == LowerAscii(Y); });
}

std::string AsciiLower(std::string_view Text)
{
    std::string Out(Text);
    std::transform(Out.begin(), Out.end(), Out.begin(), LowerAscii);
    return Out;
}

std::string_view TrimBlanks(std::string_view Text)
{
    while (!Text.empty() && IsBlank(Text.front())) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && IsBlank(Text.back())) {
        Text.remove_suffix(1);
    }
    return Text;
}

}  // namespace nimbral
