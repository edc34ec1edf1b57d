#pragma once

#include "core/Json.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace nimbral {

// What every service call returns. RawJSON owns the parsed envelope; Data
// points into it (at the "data" member, of any JSON type) and is null when
// the member is absent. The document lives on the heap so that moving the
// response keeps Data valid. Free releases the document early; the
// destructor releases it otherwise, so a response dropped on any path,
// exceptions included, leaks nothing.
struct TApiResponse {
    bool Success = false;
    std::int32_t StatusCode = 0;  // 0 when no answer arrived
    const TJsonValue* Data = nullptr;
    std::string Message;
    std::unique_ptr<TJsonValue> RawJSON;

    TApiResponse() = default;
    // The document goes with the move, and so does Data: the response moved
    // from keeps no pointer into a document it no longer owns.
    TApiResponse(TApiResponse&& AOther) noexcept
        : Success(AOther.Success), StatusCode(AOther.StatusCode), Data(std::exchange(AOther.Data, nullptr)),
          Message(std::move(AOther.Message)), RawJSON(std::move(AOther.RawJSON))
    {
    }
    TApiResponse& operator=(TApiResponse&& AOther) noexcept
    {
        Success = AOther.Success;
        StatusCode = AOther.StatusCode;
        Data = std::exchange(AOther.Data, nullptr);
        Message = std::move(AOther.Message);
        RawJSON = std::move(AOther.RawJSON);
        return *this;
    }

    // Releases the document; Data becomes null. A second call does nothing.
    void Free()
    {
        Data = nullptr;
        RawJSON.reset();
    }
};

}  // namespace nimbral
