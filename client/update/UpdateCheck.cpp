#include "update/AppVersion.h"
#include "update/Updater.h"

#include "core/HttpTransport.h"
#include "core/Json.h"
#include "core/Text.h"

namespace nimbral {

bool FetchUpdateInfo(const std::string& Url, TUpdateInfo& Info, const TManifestTimeouts& Timeouts) {
    Info = TUpdateInfo{};
    try {
        // A transport of its own: the manifest goes without any header,
        // credential or cookie of the API client.
        const auto transport = CreateHttpTransport();
        transport->SetDefaultHeader("Accept", "application/json");
        transport->SetConnectTimeout(Timeouts.ConnectMs);
        transport->SetResponseTimeout(Timeouts.ResponseMs);
        const THttpResponse response = transport->Send("GET", Url, nullptr);
        if (response.StatusCode != 200 || response.Body.empty())
            return false;

        const auto document = ParseJson(response.Body);
        if (!document || !document->IsObject())
            return false;
        const TJsonValue* object = &*document;
        Info.Version = JsonStr(object, "version", "");
        Info.MinVersion = JsonStr(object, "min_version", Info.Version);
        Info.Url = JsonStr(object, "url", "");
        Info.Sha256 = AsciiLower(JsonStr(object, "sha256", ""));
        Info.Size = JsonInt64(object, "size", 0);
        Info.Notes = JsonStr(object, "notes", "");
        Info.ReleasedAt = JsonStr(object, "released_at", "");
    } catch (const EHttpError&) {
        return false;
    } catch (const EConvertError&) {
        return false;
    }
    return !Info.Version.empty() && !Info.Url.empty();
}

bool IsUpdateRequired(std::string_view CurrentVersion, const TUpdateInfo& Info) {
    return CompareVersions(CurrentVersion, Info.MinVersion) < 0;
}

}  // namespace nimbral
