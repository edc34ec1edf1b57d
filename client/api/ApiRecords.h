#pragma once
// The records the service's answers are read into. Plain values: an empty
// record has every string empty, every number 0 and every Boolean false.

#include "core/Json.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nimbral {

struct TUserInfo {
    std::int32_t Id = 0;
    std::string Name;
    std::string Email;
    std::int32_t RemainingMinutes = 0;
    bool HasSubscription = false;
    std::string SubscriptionExpiresAt;
    std::string SubscriptionPlanName;
    std::int32_t SubscriptionRemainingDays = 0;

    bool operator==(const TUserInfo&) const = default;
};

// One past session.
struct TSessionLogInfo {
    std::int32_t Id = 0;
    std::string PcName;
    std::string ConnectedAt;
    std::string DisconnectedAt;
    std::int32_t DurationSec = 0;

    bool operator==(const TSessionLogInfo&) const = default;
};

struct TMonthlyUsage {
    std::string Month;
    std::int32_t SessionCount = 0;
    std::int32_t TotalSec = 0;

    bool operator==(const TMonthlyUsage&) const = default;
};

struct TUsageSummary {
    std::int32_t ThisMonthSec = 0;
    std::int32_t ThisMonthCount = 0;
    std::vector<TMonthlyUsage> Monthly;

    bool operator==(const TUsageSummary&) const = default;
};

struct TPaymentInfo {
    std::int32_t Id = 0;
    std::int32_t Amount = 0;
    std::string PaymentMethod;
    std::string Status;
    std::string BillingMonth;
    std::string Memo;
    std::string CreatedAt;

    bool operator==(const TPaymentInfo&) const = default;
};

// A device signed in to the account.
struct TDeviceInfo {
    std::int32_t Id = 0;
    std::string Name;
    std::string LastUsedAt;
    std::string CreatedAt;
    bool IsCurrent = false;

    bool operator==(const TDeviceInfo&) const = default;
};

// A remote session as the service reports it.
struct TSessionInfo {
    std::int32_t Id = 0;
    std::int32_t PcId = 0;
    std::string Status;
    std::string Token;
    std::string ExpiresAt;
    std::string PcName;
    std::string PcIP;
    std::int32_t PcPort = 0;
    std::string PairingStatus;
    std::string LineageInputStatus;
    bool LineageFullInput = false;
    std::string LineageInputNotice;
    std::int32_t UserRatePerHour = 0;
    std::int32_t MileageBalance = 0;
    bool HasSubscription = false;
    bool IsDedicated = false;

    bool operator==(const TSessionInfo&) const = default;
};

// A PC dedicated to the user.
struct TMyPcInfo {
    bool HasPc = false;
    std::int32_t AssignmentId = 0;
    std::int32_t PcId = 0;
    std::string PcName;
    std::string PcIP;
    std::int32_t PcPort = 0;
    std::string PcStatus;
    std::int32_t MonthlyPrice = 0;
    std::string StartDate;
    std::string EndDate;
    std::int32_t DaysRemaining = 0;
    std::string HardwareSummary;
    std::string HwCpu;
    std::string HwGpu;
    std::string HwRam;
    std::string HwOs;
    std::string LineageInputStatus;
    bool LineageFullInput = false;
    std::string LineageInputNotice;

    bool operator==(const TMyPcInfo&) const = default;
};

struct TRegionInfo {
    std::string Key;
    std::string Name;
    std::int32_t PcBangCount = 0;

    bool operator==(const TRegionInfo&) const = default;
};

struct TPcBangInfo {
    std::int32_t Id = 0;
    std::int32_t BranchId = 0;  // the service has no branch catalogue: always 0
    std::string Region;
    std::string RegionName;
    std::string Name;
    std::string Address;
    std::int32_t IdlePcCount = 0;
    std::int32_t UserRatePerHour = 0;

    bool operator==(const TPcBangInfo&) const = default;
};

// One PC of a PC bang.
struct TPcInfo {
    std::int32_t Id = 0;
    std::int32_t PcBangId = 0;
    std::string PcName;
    std::string IP;
    std::int32_t Port = 0;
    std::string Status;
    std::string PcBangName;
    std::int32_t UserRatePerHour = 0;
    std::string HardwareSummary;
    std::string HwCpu;
    std::string HwGpu;
    std::string HwRam;
    std::string HwOs;
    std::string LineageInputStatus;
    bool LineageFullInput = false;
    std::string LineageInputNotice;

    bool operator==(const TPcInfo&) const = default;
};

// A request to use a PC of a PC bang.
struct TPcUsageRequestInfo {
    std::int32_t Id = 0;
    std::int32_t PcBangId = 0;
    std::string Status;
    std::string CreatedAt;

    bool operator==(const TPcUsageRequestInfo&) const = default;
};

// The input policy of a PC-bearing object: its "lineage_classic_input" member
// read over the defaults "pending_approval", false and the restriction notice.
// A missing Obj, or a member that is missing, null or not an object, leaves
// the defaults. Raises EConvertError for a member that does not convert.
void ReadLineageInput(const TJsonValue* AObj, std::string& AStatus, bool& AFullInput, std::string& ANotice);

// A my-PC record from one object of "/api/v1/my-pc"; HasPc is true.
// Raises EConvertError for a member that does not convert.
TMyPcInfo ParseMyPcInfo(const TJsonValue& AObj);

}  // namespace nimbral
