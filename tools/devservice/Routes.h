#pragma once
// The route groups of the development service and what they share.

#include "ServiceState.h"

#include <httplib.h>

#include <filesystem>
#include <string>

namespace nimbral::devservice {

// Registers routes on the server. An observed route records each request in
// the request log and answers a refusal set through the control interface
// instead of running; the control interface's own routes are neither.
class TRoutes {
public:
    TRoutes(httplib::Server& AServer, TServiceState& AState) : FServer(AServer), FState(AState) {}

    void Get(const std::string& APattern, httplib::Server::Handler AHandler);
    void Post(const std::string& APattern, httplib::Server::Handler AHandler);
    httplib::Server::Handler Observed(httplib::Server::Handler AHandler);

    httplib::Server& Server() { return FServer; }
    TServiceState& State() { return FState; }

private:
    httplib::Server& FServer;
    TServiceState& FState;
};

// The launcher web app under "/app/".
void AddWebRoutes(TRoutes& ARoutes);
// The service API under "/api/v1/".
void AddApiRoutes(TRoutes& ARoutes);
// The update manifest and, when a folder is given, its packages under "/client/".
void AddContentRoutes(TRoutes& ARoutes, const std::filesystem::path& APackagesDir);
// The control interface for tests under "/_control/".
void AddControlRoutes(TRoutes& ARoutes);

}  // namespace nimbral::devservice
