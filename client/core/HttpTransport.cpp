#include "HttpTransport.h"

#include <algorithm>
#include <cctype>

namespace nimbral {

bool SameHeaderName(std::string_view A, std::string_view B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
           });
}

void SetHeader(std::vector<THttpHeader>& Headers, const std::string& Name, const std::string& Value)
{
    for (THttpHeader& H : Headers) {
        if (SameHeaderName(H.Name, Name)) {
            H.Value = Value;
            return;
        }
    }
    Headers.push_back({Name, Value});
}

const std::string* THttpResponse::Header(std::string_view Name) const
{
    for (const THttpHeader& H : Headers) {
        if (SameHeaderName(H.Name, Name)) {
            return &H.Value;
        }
    }
    return nullptr;
}

}  // namespace nimbral
