#pragma once
// Reading an answer's body as the service's envelope.

#include "api/ApiResponse.h"

#include <string_view>

namespace nimbral {

// Fills Success, Message, Data and RawJSON of AResult from the body text. An
// empty or non-JSON body leaves them as they are; a top-level value that is
// not an object, or a "success" or "message" that does not convert, raises
// EConvertError with RawJSON kept as far as it was set.
void ReadEnvelope(std::string_view ABody, TApiResponse& AResult);

}  // namespace nimbral
