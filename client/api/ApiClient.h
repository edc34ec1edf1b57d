#pragma once
// The typed client of the service's REST API. Every operation goes through
// one request core (DoRequest) that reads the answer as the envelope
// {"success", "message", "data"} and never raises for a failed exchange.
// Operations returning a TApiResponse leave it to the caller; operations
// returning a list read and drop their own response. Mapping "data" into
// records raises EConvertError where a member does not convert.
//
// One instance must not be used from two threads at once: the Authorization
// header is a client-wide setting rewritten by every request.

#include "api/ApiRecords.h"
#include "api/ApiResponse.h"
#include "core/HttpTransport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral {

struct TApiTimeouts {
    std::int32_t ConnectMs = 10000;
    std::int32_t ResponseMs = 30000;
};

class TApiClient {
public:
    // The base URL is the API origin without a trailing "/"; paths are
    // appended to it as they are. The token starts empty (signed out).
    explicit TApiClient(std::string ABaseURL, TApiTimeouts ATimeouts = {});
    ~TApiClient();
    TApiClient(const TApiClient&) = delete;
    TApiClient& operator=(const TApiClient&) = delete;

    const std::string& BaseURL() const { return FBaseURL; }
    void SetBaseURL(std::string AValue) { FBaseURL = std::move(AValue); }
    const std::string& AuthToken() const { return FAuthToken; }
    void SetAuthToken(std::string AValue) { FAuthToken = std::move(AValue); }
    bool IsLoggedIn() const { return !FAuthToken.empty(); }

    // Account.
    TApiResponse Login(const std::string& AEmail, const std::string& APassword, TUserInfo& AUser);
    void Logout();
    TApiResponse GetMe(TUserInfo& AUser);
    TApiResponse GetMagicLoginUrl(const std::string& ARedirect, std::string& AUrl);
    std::vector<TSessionLogInfo> GetMySessions();
    TApiResponse GetMyUsage(TUsageSummary& ASummary);
    std::vector<TPaymentInfo> GetMyPayments();
    std::vector<TDeviceInfo> GetMyDevices();
    TApiResponse RevokeDevice(std::int32_t ATokenId);

    // Sessions and the user's own PCs.
    TApiResponse CreateSession(std::int32_t APcId, TSessionInfo& ASession);
    TApiResponse CreateSessionByPcBang(std::int32_t APcBangId, TSessionInfo& ASession);
    TApiResponse CreateSessionByBranch(std::int32_t ABranchId, std::int32_t APcBangId, TSessionInfo& ASession);
    TApiResponse GetCurrentSession(TSessionInfo& ASession);
    TApiResponse SubmitPin(std::int32_t ASessionId, const std::string& APin);
    TApiResponse DisconnectSession(std::int32_t ASessionId);
    TApiResponse GetMyPcs(std::vector<TMyPcInfo>& APcs);
    TApiResponse GetMyPc(TMyPcInfo& AInfo);
    TApiResponse ConnectMyPc(TSessionInfo& ASession, std::int32_t AAssignmentId);
    TApiResponse DisconnectMyPc();

    // Catalogue.
    std::vector<TRegionInfo> GetRegions();
    std::vector<TPcBangInfo> GetPcBangsByRegion(const std::string& ARegionKey);
    std::vector<TPcInfo> GetAvailablePCs(std::int32_t APcBangId);
    TApiResponse CreatePcUsageRequest(std::int32_t APcBangId, TPcUsageRequestInfo& AReq);
    TApiResponse GetCurrentPcUsageRequest(std::int32_t APcBangId, TPcUsageRequestInfo& AReq);
    TApiResponse CancelPcUsageRequest(std::int32_t ARequestId);

private:
    std::string FBaseURL;
    std::string FAuthToken;
    std::unique_ptr<THttpTransport> FHttpClient;

    TApiResponse DoRequest(std::string_view AMethod, const std::string& APath, const TJsonValue* ABody);
    TApiResponse DoGet(const std::string& APath) { return DoRequest("GET", APath, nullptr); }
    TApiResponse DoPost(const std::string& APath, const TJsonValue* ABody) { return DoRequest("POST", APath, ABody); }
    TApiResponse DoDelete(const std::string& APath) { return DoRequest("DELETE", APath, nullptr); }
};

// The query value of a region key: UTF-8 bytes outside ASCII as %XX, a space
// as "+", letters, digits and ! $ ' ( ) * - . @ _ as they are, every other
// ASCII character as %XX (upper-case hex).
std::string EncodeRegionKey(std::string_view AKey);

}  // namespace nimbral
