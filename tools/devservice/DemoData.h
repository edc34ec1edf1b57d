#pragma once
// The accounts and PCs the development service starts with (and returns to
// on reset): two accounts, two PC bangs in Seoul and their PCs.

#include <string>
#include <vector>

namespace nimbral::devservice {

struct TAccount {
    int Id = 0;
    std::string Name;
    std::string Email;
    std::string Password;
    int RemainingMinutes = 0;
    bool HasSubscription = false;
    std::string SubscriptionExpiresAt;
    std::string SubscriptionPlanName;
    int SubscriptionRemainingDays = 0;
    int MileageBalance = 0;
};

struct TRemotePc {
    int Id = 0;
    std::string Name;     // "강남 1호점 · PC 07"
    std::string Address;  // the PC bang's street address
    std::string Ip;
    int Port = 0;
    std::string Spec;     // one line of hardware, shown on the launcher page
    int RatePerHour = 0;
    int DedicatedTo = 0;  // the account whose own PC this is; 0 = any account
};

struct TDemoData {
    std::vector<TAccount> Accounts;
    std::vector<TRemotePc> Pcs;
};

TDemoData MakeDemoData();

}  // namespace nimbral::devservice
