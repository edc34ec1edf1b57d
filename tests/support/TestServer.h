#pragma once
// An HTTP server on 127.0.0.1 (random port) for tests: it records every
// request it receives and answers through a handler the test sets.

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nimbral::test {

struct TRecordedRequest {
    std::string Method;
    std::string Target;  // path and query exactly as sent
    std::string Path;    // Target up to the '?'
    std::string Query;   // Target after the '?', still encoded
    httplib::Headers Headers;
    std::string Body;
    int RemotePort = -1;

    bool HasHeader(const std::string& Name) const { return Headers.find(Name) != Headers.end(); }
    std::string Header(const std::string& Name) const
    {
        const auto It = Headers.find(Name);
        return It == Headers.end() ? std::string() : It->second;
    }
};

// Holds answers back until released (or 10 s pass), for servers that accept
// a request and stay silent. Handlers share it by shared_ptr: a handler may
// still be waking up after the test body has returned.
class THeldAnswer {
public:
    void Wait()
    {
        std::unique_lock Lock(FMutex);
        FCv.wait_for(Lock, std::chrono::seconds(10), [this] { return FReleased; });
    }
    void Release()
    {
        std::lock_guard Lock(FMutex);
        FReleased = true;
        FCv.notify_all();
    }

private:
    std::mutex FMutex;
    std::condition_variable FCv;
    bool FReleased = false;
};

using THandler = std::function<void(const httplib::Request&, httplib::Response&)>;

class TTestServer {
public:
    TTestServer()
    {
        FServer.set_keep_alive_max_count(1'000'000);
        // Answers go out in two writes; without this each would wait for a delayed ACK.
        FServer.set_tcp_nodelay(true);
        const auto Route = [this](const httplib::Request& Req, httplib::Response& Res) {
            THandler Handler;
            {
                std::lock_guard Lock(FMutex);
                FRequests.push_back(Record(Req));
                Handler = FHandler;
            }
            Handler(Req, Res);
        };
        FServer.Get(".*", Route);
        FServer.Post(".*", Route);
        FServer.Delete(".*", Route);
        FPort = FServer.bind_to_any_port("127.0.0.1");
        FThread = std::thread([this] { FServer.listen_after_bind(); });
        // stop() before the loop runs would be lost and the join would hang.
        while (!FServer.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    ~TTestServer()
    {
        FServer.stop();
        FThread.join();
    }

    TTestServer(const TTestServer&) = delete;
    TTestServer& operator=(const TTestServer&) = delete;

    int Port() const { return FPort; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(FPort); }

    void SetHandler(THandler Handler)
    {
        std::lock_guard Lock(FMutex);
        FHandler = std::move(Handler);
    }

    // Every request gets this status and body.
    void Answer(int Status, std::string Body, std::string ContentType = "application/json")
    {
        SetHandler([=](const httplib::Request&, httplib::Response& Res) {
            Res.status = Status;
            Res.set_content(Body, ContentType.c_str());
        });
    }

    std::vector<TRecordedRequest> Requests() const
    {
        std::lock_guard Lock(FMutex);
        return FRequests;
    }

    TRecordedRequest Last() const
    {
        std::lock_guard Lock(FMutex);
        return FRequests.empty() ? TRecordedRequest{} : FRequests.back();
    }

    void ClearRequests()
    {
        std::lock_guard Lock(FMutex);
        FRequests.clear();
    }

private:
    static TRecordedRequest Record(const httplib::Request& Req)
    {
        TRecordedRequest R;
        R.Method = Req.method;
        R.Target = Req.target;
        const auto Q = Req.target.find('?');
        R.Path = Req.target.substr(0, Q);
        R.Query = Q == std::string::npos ? std::string() : Req.target.substr(Q + 1);
        R.Headers = Req.headers;
        R.Body = Req.body;
        R.RemotePort = Req.remote_port;
        return R;
    }

    httplib::Server FServer;
    int FPort = -1;
    std::thread FThread;
    mutable std::mutex FMutex;
    std::vector<TRecordedRequest> FRequests;
    THandler FHandler = [](const httplib::Request&, httplib::Response& Res) {
        Res.set_content("{}", "application/json");
    };
};

}  // namespace nimbral::test
