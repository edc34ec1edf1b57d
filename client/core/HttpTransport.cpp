#include "HttpTransport.h"

#include <algorithm>
#include <cctype>

namespace nimbral {

const std::string* THttpResponse::Header(std::string_view Name) const
{
    for (const THttpHeader& H : Headers) {
        if (H.Name.size() == Name.size() &&
            std::equal(H.Name.begin(), H.Name.end(), Name.begin(), [](char A, char B) {
                return std::tolower(static_cast<unsigned char>(A)) ==
                       std::tolower(static_cast<unsigned char>(B));
            })) {
            return &H.Value;
        }
    }
    return nullptr;
}

}  // namespace nimbral
