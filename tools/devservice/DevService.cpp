#include "DevService.h"
#include "Replies.h"
#include "Routes.h"

#include <sys/socket.h>

#include <chrono>
#include <exception>
#include <thread>

namespace nimbral::devservice {

namespace {

bool IsControlPath(const std::string& APath)
{
    return APath.starts_with("/_control/");
}

// What an address no route knows answers, in the manner of its part.
void AnswerUnknown(const httplib::Request& ARequest, httplib::Response& AResponse)
{
    if (ARequest.path.starts_with("/api/")) {
        SendEnvelope(AResponse, 404, false, "지원하지 않는 API입니다.");
    } else if (IsControlPath(ARequest.path)) {
        SendJson(AResponse, 404, {{"error", "no such control address"}});
    } else {
        AResponse.status = 404;
        AResponse.set_content("찾을 수 없는 페이지입니다.", "text/plain; charset=utf-8");
    }
}

std::string QueryOf(const std::string& ATarget)
{
    const auto Question = ATarget.find('?');
    return Question == std::string::npos ? std::string() : ATarget.substr(Question + 1);
}

}  // namespace

void TRoutes::Get(const std::string& APattern, httplib::Server::Handler AHandler)
{
    FServer.Get(APattern, Observed(std::move(AHandler)));
}

void TRoutes::Post(const std::string& APattern, httplib::Server::Handler AHandler)
{
    FServer.Post(APattern, Observed(std::move(AHandler)));
}

httplib::Server::Handler TRoutes::Observed(httplib::Server::Handler AHandler)
{
    return [&State = FState, Handler = std::move(AHandler)](const httplib::Request& ARequest,
                                                            httplib::Response& AResponse) {
        if (!IsControlPath(ARequest.path)) {
            State.Record({ARequest.method, ARequest.path, QueryOf(ARequest.target),
                           ARequest.get_header_value("Authorization"), ARequest.body});
            if (const auto Refusal = State.TakeRefusal(ARequest.path)) {
                SendEnvelope(AResponse, Refusal->Status, false, Refusal->Message);
                return;
            }
        }
        Handler(ARequest, AResponse);
    };
}

TDevService::TDevService(const std::filesystem::path& APackagesDir)
{
    // Plain SO_REUSEADDR: the library's default would also share the port
    // with a second service started on it, which must fail instead.
    FServer.set_socket_options([](socket_t ASocket) {
        const int Yes = 1;
        setsockopt(ASocket, SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
    });
    FServer.set_tcp_nodelay(true);
    // A stop waits for the connections a browser keeps open to go idle for
    // this long; the default of 5 s would hold up every test's tear-down.
    FServer.set_keep_alive_timeout(1);
    FServer.set_payload_max_length(1 << 20);
    // Errors the library answers by itself (a body over the limit, a request
    // it cannot read) carry no body; callers of the API still get an envelope.
    FServer.set_error_handler([](const httplib::Request& ARequest, httplib::Response& AResponse) {
        if (AResponse.body.empty() && ARequest.path.starts_with("/api/")) {
            SendEnvelope(AResponse, AResponse.status, false,
                         AResponse.status == 413 ? "요청 본문이 너무 큽니다." : "잘못된 요청입니다.");
        }
    });
    FServer.set_exception_handler([](const httplib::Request&, httplib::Response& AResponse, std::exception_ptr) {
        SendEnvelope(AResponse, 500, false, "서버 내부 오류가 발생했습니다.");
    });

    TRoutes Routes(FServer, FState);
    AddWebRoutes(Routes);
    AddApiRoutes(Routes);
    AddContentRoutes(Routes, APackagesDir);
    AddControlRoutes(Routes);
    // Last, so that every other route is tried first; unknown addresses are
    // recorded too, which is how a test sees a request nobody expected.
    const auto Unknown = Routes.Observed(AnswerUnknown);
    FServer.Get(".*", Unknown);
    FServer.Post(".*", Unknown);
    FServer.Put(".*", Unknown);
    FServer.Patch(".*", Unknown);
    FServer.Delete(".*", Unknown);
    FServer.Options(".*", Unknown);
}

bool TDevService::Bind(int APort)
{
    if (APort == 0) {
        FPort = FServer.bind_to_any_port("127.0.0.1");
    } else {
        FPort = FServer.bind_to_port("127.0.0.1", APort) ? APort : -1;
    }
    return FPort > 0;
}

void TDevService::Run()
{
    FServer.listen_after_bind();
}

void TDevService::Stop()
{
    // A stop before the serving loop has started would be lost.
    while (!FServer.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FServer.stop();
}

}  // namespace nimbral::devservice
