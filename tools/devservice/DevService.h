#pragma once
// The development service: the service API, the launcher web app and the
// content host on one HTTP server on 127.0.0.1, with a control interface
// that tests use to look at and steer it.

#include "ServiceState.h"

#include <httplib.h>

#include <filesystem>
#include <string>

namespace nimbral::devservice {

class TDevService {
public:
    // An empty APackagesDir serves no update packages.
    explicit TDevService(const std::filesystem::path& APackagesDir = {});

    TDevService(const TDevService&) = delete;
    TDevService& operator=(const TDevService&) = delete;

    // Listens on 127.0.0.1 only; port 0 picks a free one. False when the
    // port cannot be had. Connections queue from here on.
    bool Bind(int APort);
    int Port() const { return FPort; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(FPort); }

    // Serves until Stop. Run on one thread; Stop, from any other, waits until
    // the serving loop has started, so Run must have been called.
    void Run();
    void Stop();

private:
    TServiceState FState;
    httplib::Server FServer;
    int FPort = -1;
};

}  // namespace nimbral::devservice
