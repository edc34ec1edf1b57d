#pragma once
// Everything the development service remembers, in memory only: bearer
// tokens, web sessions of the launcher page, one-time sign-in codes, remote
// sessions, the request log and the switches tests set through the control
// interface. Every operation takes the one lock: the HTTP server answers
// from several threads.

#include "DemoData.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace nimbral::devservice {

// A remote session with what it was opened with: the PC's address and the
// billing values at that moment.
struct TRemoteSession {
    int Id = 0;
    int AccountId = 0;
    int PcId = 0;
    std::string PcName;
    std::string PcIp;
    int PcPort = 0;
    std::string Token;
    std::string ExpiresAt;
    int RatePerHour = 0;
    int MileageBalance = 0;
    bool HasSubscription = false;
    bool IsDedicated = false;
};

// A status and a Korean message for an answer that refuses.
struct TRefusal {
    int Status = 0;
    std::string Message;
};

struct TRecordedRequest {
    std::string Method;
    std::string Path;
    std::string Query;  // after the '?', as sent
    std::string Authorization;
    std::string Body;
};

enum class TPcAvailability { Free, Mine, Busy };

// A PC as one account sees it.
struct TPcView {
    TRemotePc Pc;
    TPcAvailability Availability = TPcAvailability::Free;
};

// Where a redeemed sign-in code leads: the page is signed in with Token and
// sent on to Redirect.
struct TMagicLanding {
    std::string Token;
    std::string Redirect;
};

// The update manifest: Status other than 200 answers that status instead;
// an empty Body serves the default manifest.
struct TManifest {
    int Status = 200;
    std::string Body;
};

struct TStateSnapshot {
    std::vector<std::pair<std::string, TAccount>> Tokens;
    std::size_t WebSessions = 0;
    std::vector<TRemoteSession> Sessions;
};

class TServiceState {
public:
    TServiceState();

    // Back to the start: demo data, nothing signed in, no session, no
    // switches, an empty request log.
    void Reset();

    // Accounts and bearer tokens. SignIn issues a new token per sign-in.
    std::optional<TAccount> AccountOfToken(const std::string& AToken) const;
    std::optional<std::string> SignIn(const std::string& AEmail, const std::string& APassword);
    void RevokeToken(const std::string& AToken);

    // Web sessions of the launcher page, keyed by cookie value. A web
    // session lasts as long as the bearer token it carries.
    std::string OpenWebSession(const std::string& AToken);
    std::optional<std::string> TokenOfWebSession(const std::string& ACookie) const;
    void EndWebSession(const std::string& ACookie);
    void EndAllWebSessions();

    // One-time sign-in codes; a code is gone once redeemed, and worthless
    // once its token has been revoked.
    std::string IssueMagicCode(const std::string& AToken, const std::string& ARedirect);
    std::optional<TMagicLanding> RedeemMagicCode(const std::string& ACode);

    // Remote sessions: at most one per account and one per PC.
    std::vector<TPcView> PcsFor(int AAccountId) const;
    std::variant<TRemoteSession, TRefusal> OpenSession(int AAccountId, int APcId);
    std::optional<TRemoteSession> CurrentSession(int AAccountId) const;
    bool EndSession(int AAccountId, int ASessionId);
    bool EndCurrentSession(int AAccountId);
    std::vector<int> EndAllSessions();

    // The request log and the control interface's switches.
    void Record(TRecordedRequest ARequest);
    std::vector<TRecordedRequest> Requests() const;
    void Refuse(const std::string& APath, TRefusal ARefusal);
    std::optional<TRefusal> TakeRefusal(const std::string& APath);
    void SetManifest(TManifest AManifest);
    TManifest Manifest() const;

    TStateSnapshot Snapshot() const;

private:
    mutable std::mutex FMutex;
    std::random_device FRandom;
    TDemoData FData;
    std::map<std::string, int> FTokens;  // bearer token -> account id
    std::map<std::string, std::string> FWebSessions;  // cookie -> bearer token
    std::map<std::string, TMagicLanding> FMagicCodes;
    std::vector<TRemoteSession> FSessions;
    int FLastSessionId = 0;
    std::vector<TRecordedRequest> FRequests;
    std::map<std::string, std::vector<TRefusal>> FRefusals;  // path -> refusals in order
    TManifest FManifest;

    void ResetLocked();
    std::string NewSecret(const char* APrefix);
    const TAccount* FindAccount(int AId) const;
};

}  // namespace nimbral::devservice
