#pragma once
// Helpers the endpoint files share for reading "data" into records.

#include "api/ApiResponse.h"
#include "core/Json.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral::api_detail {

// AValue as a JSON object; anything else (none, null included) raises
// EConvertError naming AWhat.
const TJsonValue& AsObject(const TJsonValue* AValue, std::string_view AWhat);

// The member AKey of AObj when it is a JSON object, else nullptr.
const TJsonValue* ObjectMember(const TJsonValue& AObj, std::string_view AKey);

// "16 GB" for 16.
std::string RamText(std::int32_t AGigabytes);

// The list pattern: entries only from a successful answer whose "data" is an
// array, every element an object (anything else raises EConvertError). The
// caller passes its response as a temporary, so it is released on every way
// out, a raised conversion error included.
template <typename TRecord, typename TReader>
std::vector<TRecord> ReadList(const TApiResponse& AResponse, TReader AReader)
{
    std::vector<TRecord> Result;
    if (!AResponse.Success || AResponse.Data == nullptr || !AResponse.Data->IsArray()) {
        return Result;
    }
    Result.reserve(AResponse.Data->Items().size());
    for (const TJsonValue& Item : AResponse.Data->Items()) {
        Result.push_back(AReader(AsObject(&Item, "a list element")));
    }
    return Result;
}

}  // namespace nimbral::api_detail
