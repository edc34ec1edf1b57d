// Every answer of the service is read as one envelope: "success", "message"
// and "data".
#include "api/Envelope.h"

#include <memory>
#include <optional>
#include <utility>

namespace nimbral {

void ReadEnvelope(std::string_view ABody, TApiResponse& AResult)
{
    if (ABody.empty()) {
        return;
    }
    std::optional<TJsonValue> Parsed = ParseJson(ABody);
    if (!Parsed) {
        return;  // an HTML error page, say: no envelope, no error
    }
    if (!Parsed->IsObject()) {
        throw EConvertError("the answer is not a JSON object");
    }
    AResult.RawJSON = std::make_unique<TJsonValue>(std::move(*Parsed));
    AResult.Success = JsonBool(AResult.RawJSON.get(), "success", false);
    AResult.Message = JsonStr(AResult.RawJSON.get(), "message", "");
    AResult.Data = AResult.RawJSON->Find("data");
}

}  // namespace nimbral
