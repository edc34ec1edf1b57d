#include "ServiceState.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace nimbral::devservice {

namespace {

// Sessions run for four hours; the service speaks Korean time.
std::string ExpiryFromNow()
{
    const auto Expiry = std::chrono::system_clock::now() + std::chrono::hours(4) + std::chrono::hours(9);
    const std::time_t T = std::chrono::system_clock::to_time_t(Expiry);
    std::tm Parts{};
    gmtime_r(&T, &Parts);
    char Text[32];
    std::strftime(Text, sizeof Text, "%Y-%m-%dT%H:%M:%S+09:00", &Parts);
    return Text;
}

}  // namespace

TServiceState::TServiceState()
{
    ResetLocked();
}

void TServiceState::Reset()
{
    std::lock_guard Lock(FMutex);
    ResetLocked();
}

void TServiceState::ResetLocked()
{
    FData = MakeDemoData();
    FTokens.clear();
    FWebSessions.clear();
    FMagicCodes.clear();
    FSessions.clear();
    FLastSessionId = 0;
    FRequests.clear();
    FRefusals.clear();
    FManifest = {};
}

std::string TServiceState::NewSecret(const char* APrefix)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Secret = APrefix;
    for (int I = 0; I < 8; ++I) {
        const unsigned Word = FRandom();
        for (int Shift = 28; Shift >= 0; Shift -= 4) {
            Secret += Hex[(Word >> Shift) & 0xF];
        }
    }
    return Secret;
}

const TAccount* TServiceState::FindAccount(int AId) const
{
    const auto It = std::find_if(FData.Accounts.begin(), FData.Accounts.end(),
                                 [&](const TAccount& A) { return A.Id == AId; });
    return It == FData.Accounts.end() ? nullptr : &*It;
}

std::optional<TAccount> TServiceState::AccountOfToken(const std::string& AToken) const
{
    std::lock_guard Lock(FMutex);
    const auto It = FTokens.find(AToken);
    if (It == FTokens.end()) {
        return std::nullopt;
    }
    return *FindAccount(It->second);
}

std::optional<std::string> TServiceState::SignIn(const std::string& AEmail, const std::string& APassword)
{
    std::lock_guard Lock(FMutex);
    for (const TAccount& A : FData.Accounts) {
        if (A.Email == AEmail && A.Password == APassword) {
            std::string Token = NewSecret("nbt_");
            FTokens[Token] = A.Id;
            return Token;
        }
    }
    return std::nullopt;
}

void TServiceState::RevokeToken(const std::string& AToken)
{
    std::lock_guard Lock(FMutex);
    FTokens.erase(AToken);
}

std::string TServiceState::OpenWebSession(const std::string& AToken)
{
    std::lock_guard Lock(FMutex);
    std::string Cookie = NewSecret("");
    FWebSessions[Cookie] = AToken;
    return Cookie;
}

std::optional<std::string> TServiceState::TokenOfWebSession(const std::string& ACookie) const
{
    std::lock_guard Lock(FMutex);
    const auto It = FWebSessions.find(ACookie);
    if (It == FWebSessions.end() || !FTokens.contains(It->second)) {
        return std::nullopt;
    }
    return It->second;
}

void TServiceState::EndWebSession(const std::string& ACookie)
{
    std::lock_guard Lock(FMutex);
    FWebSessions.erase(ACookie);
}

void TServiceState::EndAllWebSessions()
{
    std::lock_guard Lock(FMutex);
    FWebSessions.clear();
}

std::string TServiceState::IssueMagicCode(const std::string& AToken, const std::string& ARedirect)
{
    std::lock_guard Lock(FMutex);
    std::string Code = NewSecret("");
    FMagicCodes[Code] = {AToken, ARedirect};
    return Code;
}

std::optional<TMagicLanding> TServiceState::RedeemMagicCode(const std::string& ACode)
{
    std::lock_guard Lock(FMutex);
    const auto It = FMagicCodes.find(ACode);
    if (It == FMagicCodes.end()) {
        return std::nullopt;
    }
    TMagicLanding Landing = std::move(It->second);
    FMagicCodes.erase(It);
    if (!FTokens.contains(Landing.Token)) {
        return std::nullopt;
    }
    return Landing;
}

std::vector<TPcView> TServiceState::PcsFor(int AAccountId) const
{
    std::lock_guard Lock(FMutex);
    std::vector<TPcView> Views;
    for (const TRemotePc& Pc : FData.Pcs) {
        if (Pc.DedicatedTo != 0 && Pc.DedicatedTo != AAccountId) {
            continue;  // another member's own PC is not offered
        }
        TPcView View{Pc, TPcAvailability::Free};
        for (const TRemoteSession& S : FSessions) {
            if (S.PcId == Pc.Id) {
                View.Availability = S.AccountId == AAccountId ? TPcAvailability::Mine : TPcAvailability::Busy;
            }
        }
        Views.push_back(std::move(View));
    }
    return Views;
}

std::variant<TRemoteSession, TRefusal> TServiceState::OpenSession(int AAccountId, int APcId)
{
    std::lock_guard Lock(FMutex);
    const auto Pc = std::find_if(FData.Pcs.begin(), FData.Pcs.end(), [&](const TRemotePc& P) { return P.Id == APcId; });
    if (Pc == FData.Pcs.end()) {
        return TRefusal{404, "존재하지 않는 PC입니다."};
    }
    if (Pc->DedicatedTo != 0 && Pc->DedicatedTo != AAccountId) {
        return TRefusal{403, "다른 회원의 전용 PC입니다."};
    }
    for (const TRemoteSession& S : FSessions) {
        if (S.AccountId == AAccountId) {
            return TRefusal{409, "이미 진행 중인 세션이 있습니다. 기존 세션을 종료한 뒤 다시 시도해 주세요."};
        }
        if (S.PcId == APcId) {
            return TRefusal{409, "다른 사용자가 사용 중인 PC입니다."};
        }
    }
    const TAccount& Account = *FindAccount(AAccountId);
    TRemoteSession Session;
    Session.Id = ++FLastSessionId;
    Session.AccountId = AAccountId;
    Session.PcId = Pc->Id;
    Session.PcName = Pc->Name;
    Session.PcIp = Pc->Ip;
    Session.PcPort = Pc->Port;
    Session.Token = NewSecret("nst_");
    Session.ExpiresAt = ExpiryFromNow();
    Session.RatePerHour = Pc->RatePerHour;
    Session.MileageBalance = Account.MileageBalance;
    Session.HasSubscription = Account.HasSubscription;
    Session.IsDedicated = Pc->DedicatedTo == AAccountId;
    FSessions.push_back(Session);
    return Session;
}

std::optional<TRemoteSession> TServiceState::CurrentSession(int AAccountId) const
{
    std::lock_guard Lock(FMutex);
    for (const TRemoteSession& S : FSessions) {
        if (S.AccountId == AAccountId) {
            return S;
        }
    }
    return std::nullopt;
}

bool TServiceState::EndSession(int AAccountId, int ASessionId)
{
    std::lock_guard Lock(FMutex);
    return std::erase_if(FSessions, [&](const TRemoteSession& S) {
               return S.AccountId == AAccountId && S.Id == ASessionId;
           }) > 0;
}

bool TServiceState::EndCurrentSession(int AAccountId)
{
    std::lock_guard Lock(FMutex);
    return std::erase_if(FSessions, [&](const TRemoteSession& S) { return S.AccountId == AAccountId; }) > 0;
}

std::vector<int> TServiceState::EndAllSessions()
{
    std::lock_guard Lock(FMutex);
    std::vector<int> Ended;
    for (const TRemoteSession& S : FSessions) {
        Ended.push_back(S.Id);
    }
    FSessions.clear();
    return Ended;
}

void TServiceState::Record(TRecordedRequest ARequest)
{
    std::lock_guard Lock(FMutex);
    FRequests.push_back(std::move(ARequest));
}

std::vector<TRecordedRequest> TServiceState::Requests() const
{
    std::lock_guard Lock(FMutex);
    return FRequests;
}

void TServiceState::Refuse(const std::string& APath, TRefusal ARefusal)
{
    std::lock_guard Lock(FMutex);
    FRefusals[APath].push_back(std::move(ARefusal));
}

std::optional<TRefusal> TServiceState::TakeRefusal(const std::string& APath)
{
    std::lock_guard Lock(FMutex);
    const auto It = FRefusals.find(APath);
    if (It == FRefusals.end()) {
        return std::nullopt;
    }
    TRefusal Refusal = std::move(It->second.front());
    It->second.erase(It->second.begin());
    if (It->second.empty()) {
        FRefusals.erase(It);
    }
    return Refusal;
}

void TServiceState::SetManifest(TManifest AManifest)
{
    std::lock_guard Lock(FMutex);
    FManifest = std::move(AManifest);
}

TManifest TServiceState::Manifest() const
{
    std::lock_guard Lock(FMutex);
    return FManifest;
}

TStateSnapshot TServiceState::Snapshot() const
{
    std::lock_guard Lock(FMutex);
    TStateSnapshot Snapshot;
    for (const auto& [Token, AccountId] : FTokens) {
        Snapshot.Tokens.emplace_back(Token, *FindAccount(AccountId));
    }
    Snapshot.WebSessions = FWebSessions.size();
    Snapshot.Sessions = FSessions;
    return Snapshot;
}

}  // namespace nimbral::devservice
