#pragma once
// The JSON form of the service's records, as the API sends them.

#include "ServiceState.h"

#include <nlohmann/json.hpp>

namespace nimbral::devservice {

// The signed-in user: the members "/api/v1/me" and sign-in answer with.
nlohmann::json UserJson(const TAccount& AAccount);

// A remote session with its PC under "remote_pc" and the billing values.
nlohmann::json SessionJson(const TRemoteSession& ASession);

}  // namespace nimbral::devservice
