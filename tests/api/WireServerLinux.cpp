// The request core's server on Linux: the in-process recording server.
#include "WireServer.h"

#include "support/TestServer.h"

#include <map>
#include <mutex>

namespace nimbral::test {

namespace {

class THttplibWireServer final : public TWireServer {
public:
    THttplibWireServer()
    {
        FServer.SetHandler([this](const httplib::Request& Req, httplib::Response& Res) {
            std::lock_guard Lock(FMutex);
            const auto It = FAnswers.find(Req.path);
            if (It == FAnswers.end()) {
                Res.status = 404;
                return;
            }
            Res.status = It->second.Status;
            Res.set_content(It->second.Body, It->second.ContentType);
        });
    }

    std::string Origin() const override { return FServer.Origin(); }

    void Answer(const std::string& Path, int Status, const std::string& Body, const std::string& ContentType) override
    {
        std::lock_guard Lock(FMutex);
        FAnswers[Path] = {Status, Body, ContentType};
    }

    TWireRequest Last() override
    {
        const TRecordedRequest R = FServer.Last();
        return {R.Method, R.Target, R.Body, {R.Headers.begin(), R.Headers.end()}};
    }

private:
    struct TScripted {
        int Status = 200;
        std::string Body;
        std::string ContentType;
    };
    TTestServer FServer;
    std::mutex FMutex;
    std::map<std::string, TScripted> FAnswers;
};

}  // namespace

std::unique_ptr<TWireServer> StartWireServer()
{
    return std::make_unique<THttplibWireServer>();
}

}  // namespace nimbral::test
