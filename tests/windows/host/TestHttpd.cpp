// A scriptable HTTP server on 127.0.0.1 for the Windows tests under Wine.
//
//   nimbral-test-httpd PORT_FILE [IDLE_SECONDS]
//
// Binds a free port, writes its number to PORT_FILE (atomically) and serves:
//   /_set?path=P&status=N&type=T&hex=H[&repeat=R][&delay=MS][&nolength=1][&stall=MS][&location=L]
//        the answer for requests to path P: status N, Content-Type T, body
//        bytes H (hex) R times over, sent after MS ms; nolength streams it chunked, with
//        no Content-Length; stall waits MS ms after the first 4 KiB chunk;
//        location adds a Location header
//   /_bytes?path=P&size=N  the answer for P: status 200, N bytes of a
//        known pattern (byte i = i * 7 mod 251), announced length
//   /_file?path=P&file=F  the answer for P: status 200, the bytes of the
//        file F of this machine as they are when the request comes
//   /_last   the last request to any other path, as JSON: method, path
//        (with query), headers (name -> value, last one wins), header_list
//        (every header as [name, value]), body (hex)
//   /_quit   ends the server
// Any other path answers as scripted, or 404 with an empty body. The server
// also ends by itself after IDLE_SECONDS (default 60) without a request, so
// a test that dies cannot leave it behind: Wine cannot wait for or end a
// Linux process it started.
#include "support/HexText.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

using nimbral::wintest::FromHex;
using nimbral::wintest::ToHex;

struct TScripted {
    int Status = 200;
    std::string Type;
    std::string Body;
    int DelayMs = 0;
    bool NoLength = false;
    int StallMs = 0;
    std::string Location;
    std::string File;  // served from disk when not empty
};

std::string Param(const httplib::Request& Req, const char* Name, const std::string& Default = "")
{
    return Req.has_param(Name) ? Req.get_param_value(Name) : Default;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT_FILE [IDLE_SECONDS]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path PortFile = argv[1];
    const int IdleSeconds = argc > 2 ? std::stoi(argv[2]) : 60;

    httplib::Server Server;
    std::mutex Lock;
    std::map<std::string, TScripted> Script;
    nlohmann::json Last = nlohmann::json::object();
    std::atomic<std::int64_t> LastSeen{std::chrono::steady_clock::now().time_since_epoch().count()};

    auto Touch = [&] { LastSeen = std::chrono::steady_clock::now().time_since_epoch().count(); };

    Server.Get("/_set", [&](const httplib::Request& Req, httplib::Response& Res) {
        Touch();
        TScripted S;
        S.Status = std::stoi(Param(Req, "status", "200"));
        S.Type = Param(Req, "type");
        const std::string Unit = FromHex(Param(Req, "hex"));
        for (int Repeat = std::stoi(Param(Req, "repeat", "1")); Repeat > 0; --Repeat) {
            S.Body += Unit;
        }
        S.DelayMs = std::stoi(Param(Req, "delay", "0"));
        S.NoLength = Param(Req, "nolength") == "1";
        S.StallMs = std::stoi(Param(Req, "stall", "0"));
        S.Location = Param(Req, "location");
        std::lock_guard<std::mutex> G(Lock);
        Script[Param(Req, "path")] = S;
        Res.set_content("ok", "text/plain");
    });
    Server.Get("/_bytes", [&](const httplib::Request& Req, httplib::Response& Res) {
        Touch();
        TScripted S;
        S.Type = "application/octet-stream";
        const std::size_t Size = std::stoul(Param(Req, "size", "0"));
        S.Body.resize(Size);
        for (std::size_t i = 0; i < Size; ++i) {
            S.Body[i] = static_cast<char>((i * 7) % 251);
        }
        std::lock_guard<std::mutex> G(Lock);
        Script[Param(Req, "path")] = S;
        Res.set_content("ok", "text/plain");
    });
    Server.Get("/_file", [&](const httplib::Request& Req, httplib::Response& Res) {
        Touch();
        TScripted S;
        S.Type = "application/octet-stream";
        S.File = Param(Req, "file");
        std::lock_guard<std::mutex> G(Lock);
        Script[Param(Req, "path")] = S;
        Res.set_content("ok", "text/plain");
    });
    Server.Get("/_last", [&](const httplib::Request&, httplib::Response& Res) {
        Touch();
        std::lock_guard<std::mutex> G(Lock);
        Res.set_content(Last.dump(), "application/json");
    });
    Server.Get("/_quit", [&](const httplib::Request&, httplib::Response& Res) {
        Res.set_content("bye", "text/plain");
        Server.stop();
    });

    auto Answer = [&](const httplib::Request& Req, httplib::Response& Res) {
        Touch();
        TScripted S;
        bool Found = false;
        {
            std::lock_guard<std::mutex> G(Lock);
            nlohmann::json Headers = nlohmann::json::object();
            nlohmann::json HeaderList = nlohmann::json::array();
            for (const auto& [Name, Value] : Req.headers) {
                Headers[Name] = Value;
                HeaderList.push_back({Name, Value});
            }
            std::string Target = Req.target;
            Last = {{"method", Req.method}, {"path", Target}, {"headers", Headers}, {"header_list", HeaderList},
                    {"body", ToHex(Req.body)}};
            auto It = Script.find(Req.path);
            if (It != Script.end()) {
                S = It->second;
                Found = true;
            }
        }
        if (!Found) {
            Res.status = 404;
            return;
        }
        if (S.DelayMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(S.DelayMs));
        }
        if (!S.File.empty()) {
            std::ifstream In(S.File, std::ios::binary);
            S.Body.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
        }
        Res.status = S.Status;
        if (!S.Location.empty()) {
            Res.set_header("Location", S.Location);
        }
        if (S.NoLength || S.StallMs > 0) {
            Res.set_chunked_content_provider(S.Type, [Body = S.Body, Stall = S.StallMs](std::size_t Offset, httplib::DataSink& Sink) {
                if (Offset > 0 && Stall > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(Stall));
                }
                if (Offset < Body.size()) {
                    Sink.write(Body.data() + Offset, std::min<std::size_t>(4096, Body.size() - Offset));
                } else {
                    Sink.done();
                }
                return true;
            });
        } else if (!S.Body.empty() || !S.Type.empty()) {
            Res.set_content(S.Body, S.Type.c_str());
        }
    };
    const std::string Any = R"(/.*)";
    Server.Get(Any, Answer);
    Server.Post(Any, Answer);
    Server.Delete(Any, Answer);
    Server.Put(Any, Answer);

    const int Port = Server.bind_to_any_port("127.0.0.1");
    if (Port <= 0) {
        std::fprintf(stderr, "cannot bind 127.0.0.1\n");
        return 1;
    }
    {
        const std::filesystem::path Partial = PortFile.string() + ".part";
        std::ofstream(Partial) << Port << "\n";
        std::filesystem::rename(Partial, PortFile);
    }

    std::atomic<bool> Done{false};
    std::thread Watchdog([&] {
        while (!Done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto Now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (std::chrono::steady_clock::duration(Now - LastSeen.load()) > std::chrono::seconds(IdleSeconds)) {
                Server.stop();
                return;
            }
        }
    });
    Server.listen_after_bind();
    Done = true;
    Watchdog.join();
    std::error_code Ignored;
    std::filesystem::remove(PortFile, Ignored);
    return 0;
}
