#pragma once
// The content host and the launcher page as the program finds them on its
// compiled-in origin, 127.0.0.1:18080: the update manifest
// "/client/version.json" (an answer the test sets, or none at all), the
// packages of a folder under "/client/packages/", and a plain page at
// "/app/launch". Packages go out 64 KiB every 5 ms, and a download can be
// held half-way, so the test sees the update window in the middle of it.

#include "support/TestServer.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace nimbral::test {

class TContentHost {
public:
    static constexpr int kPort = 18080;

    explicit TContentHost(std::filesystem::path Packages) : FPackages(std::move(Packages))
    {
        FServer.SetHandler([this](const httplib::Request& Req, httplib::Response& Res) { Route(Req, Res); });
    }
    ~TContentHost() { ReleaseAll(); }

    TTestServer& Server() { return FServer; }

    void ServeManifest(int Status, std::string Body)
    {
        std::lock_guard Lock(FMutex);
        FManifestStatus = Status;
        FManifest = std::move(Body);
        FHoldManifest = false;
    }
    // The manifest request is accepted and never answered.
    void HoldManifest()
    {
        std::lock_guard Lock(FMutex);
        FHoldManifest = true;
    }

    // The next package download stops after half of the package until
    // ReleasePackage.
    void HoldPackageHalfWay()
    {
        std::lock_guard Lock(FMutex);
        FHoldPackage = true;
    }
    bool WaitUntilHalfSent(std::chrono::milliseconds Timeout)
    {
        std::unique_lock Lock(FMutex);
        return FChanged.wait_for(Lock, Timeout, [this] { return FHalfSent; });
    }
    void ReleasePackage()
    {
        std::lock_guard Lock(FMutex);
        FHoldPackage = false;
        FChanged.notify_all();
    }

    std::size_t RequestsFor(const std::string& Target) const
    {
        std::size_t N = 0;
        for (const TRecordedRequest& R : FServer.Requests())
            N += R.Target == Target ? 1 : 0;
        return N;
    }

private:
    std::filesystem::path FPackages;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    int FManifestStatus = 404;
    std::string FManifest;
    bool FHoldManifest = false;
    bool FHoldPackage = false;
    bool FHalfSent = false;
    bool FEnding = false;
    // Last: it stops, and waits for its handlers, before the state they use goes.
    TTestServer FServer{kPort};

    void ReleaseAll()
    {
        std::lock_guard Lock(FMutex);
        FEnding = true;
        FHoldPackage = false;
        FChanged.notify_all();
    }

    void Route(const httplib::Request& Req, httplib::Response& Res)
    {
        if (Req.path == "/client/version.json")
            return Manifest(Res);
        const std::string PackagePrefix = "/client/packages/";
        if (Req.path.starts_with(PackagePrefix))
            return Package(Req.path.substr(PackagePrefix.size()), Res);
        if (Req.path == "/app/launch") {
            Res.set_content("<!doctype html><meta charset=utf-8><body style=\"font:16px sans-serif;"
                            "background:#F5F5F5;margin:40px\"><h1>런처 페이지</h1><p>PC를 골라 연결하세요.</p>",
                            "text/html; charset=utf-8");
            return;
        }
        Res.status = 404;
    }

    void Manifest(httplib::Response& Res)
    {
        std::unique_lock Lock(FMutex);
        if (FHoldManifest) {
            FChanged.wait_for(Lock, std::chrono::seconds(30), [this] { return FEnding; });
            return;  // the client has long given up
        }
        Res.status = FManifestStatus;
        Res.set_content(FManifest, "application/json");
    }

    void Package(const std::string& Name, httplib::Response& Res)
    {
        const std::filesystem::path File = FPackages / Name;
        std::error_code Ec;
        const auto Size = std::filesystem::file_size(File, Ec);
        if (Name.find('/') != std::string::npos || Ec) {
            Res.status = 404;
            return;
        }
        auto In = std::make_shared<std::ifstream>(File, std::ios::binary);
        auto Buffer = std::make_shared<std::string>(64 * 1024, '\0');
        Res.set_content_provider(
            static_cast<std::size_t>(Size), "application/zip",
            [this, In, Buffer, Size](std::size_t Offset, std::size_t Length, httplib::DataSink& Sink) {
                if (Offset >= Size / 2)
                    WaitWhileHeld();
                // At the pace of a fast line rather than of the loopback.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                In->seekg(static_cast<std::streamoff>(Offset));
                In->read(Buffer->data(), static_cast<std::streamsize>(std::min(Length, Buffer->size())));
                const auto Got = static_cast<std::size_t>(In->gcount());
                return Got > 0 && Sink.write(Buffer->data(), Got);
            });
    }

    void WaitWhileHeld()
    {
        std::unique_lock Lock(FMutex);
        if (!FHoldPackage)
            return;
        FHalfSent = true;
        FChanged.notify_all();
        FChanged.wait_for(Lock, std::chrono::seconds(60), [this] { return !FHoldPackage; });
    }
};

}  // namespace nimbral::test
