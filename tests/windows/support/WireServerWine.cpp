// The request core's server under Wine: the build machine's scriptable
// server, which reports each request with every header line and the body in
// hex.
#include "WireServer.h"

#include "core/Json.h"
#include "support/HexText.h"
#include "support/NativeServer.h"

namespace nimbral::test {

namespace {

class TNativeWireServer final : public TWireServer {
public:
    std::string Origin() const override { return FServer.Origin(); }

    void Answer(const std::string& Path, int Status, const std::string& Body, const std::string& ContentType) override
    {
        FServer.Set(Path, {.Status = Status, .ContentType = ContentType, .Body = Body});
    }

    TWireRequest Last() override
    {
        const std::optional<TJsonValue> L = ParseJson(FServer.LastRequest());
        TWireRequest R;
        if (!L || !L->IsObject() || L->Find("method") == nullptr) {
            return R;
        }
        R.Method = JsonStr(&*L, "method", "");
        R.Target = JsonStr(&*L, "path", "");
        R.Body = wintest::FromHex(JsonStr(&*L, "body", ""));
        for (const TJsonValue& Header : L->Find("header_list")->Items()) {
            R.Headers.emplace_back(Header.Items().at(0).Text(), Header.Items().at(1).Text());
        }
        return R;
    }

private:
    wintest::TNativeServer FServer;
};

}  // namespace

std::unique_ptr<TWireServer> StartWireServer()
{
    return std::make_unique<TNativeWireServer>();
}

}  // namespace nimbral::test
