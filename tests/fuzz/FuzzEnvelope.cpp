// Any body the service might send: read it as the envelope, then run every
// field reader and record reader over what came out. Only EConvertError may
// leave the readers; the serializer must give back text that parses to the
// same serialization.
#include "api/ApiClient.h"
#include "api/Envelope.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace nimbral;

namespace {

void ReadEveryMember(const TJsonValue& Obj)
{
    for (const auto& Member : Obj.Members()) {
        const std::string_view Key = Member.first;
        try { JsonBool(&Obj, Key, false); } catch (const EConvertError&) {}
        try { JsonStr(&Obj, Key, ""); } catch (const EConvertError&) {}
        try { JsonInt(&Obj, Key, 0); } catch (const EConvertError&) {}
        try { JsonInt64(&Obj, Key, 0); } catch (const EConvertError&) {}
        try { JsonFloat(&Obj, Key, 0); } catch (const EConvertError&) {}
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string_view Body(reinterpret_cast<const char*>(Data), Size);
    TApiResponse Response;
    try {
        ReadEnvelope(Body, Response);
    } catch (const EConvertError&) {
    }
    if (Response.RawJSON) {
        ReadEveryMember(*Response.RawJSON);
        const std::string Text = SerializeJson(*Response.RawJSON);
        const auto Again = ParseJson(Text);
        if (!Again || SerializeJson(*Again) != Text) {
            std::abort();
        }
    }
    if (Response.Data != nullptr && Response.Data->IsObject()) {
        ReadEveryMember(*Response.Data);
        try { ParseMyPcInfo(*Response.Data); } catch (const EConvertError&) {}
        std::string Status, Notice;
        bool Full = false;
        try { ReadLineageInput(Response.Data, Status, Full, Notice); } catch (const EConvertError&) {}
    }
    EncodeRegionKey(Body);
    return 0;
}
