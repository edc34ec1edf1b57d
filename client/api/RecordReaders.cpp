// Readers shared by the session and catalogue answers: the input policy of a
// PC and the my-PC record.
#include "api/ApiRecords.h"
#include "api/RecordReaders.h"

#include <cmath>

namespace nimbral {

namespace api_detail {

const TJsonValue& AsObject(const TJsonValue* AValue, std::string_view AWhat)
{
    if (AValue == nullptr || !AValue->IsObject()) {
        throw EConvertError(std::string(AWhat) + " is not a JSON object");
    }
    return *AValue;
}

const TJsonValue* ObjectMember(const TJsonValue& AObj, std::string_view AKey)
{
    const TJsonValue* V = AObj.Find(AKey);
    return V != nullptr && V->IsObject() ? V : nullptr;
}

std::string RamText(std::int32_t AGigabytes)
{
    return std::to_string(AGigabytes) + " GB";
}

}  // namespace api_detail

using namespace api_detail;

void ReadLineageInput(const TJsonValue* AObj, std::string& AStatus, bool& AFullInput, std::string& ANotice)
{
    AStatus = "pending_approval";
    AFullInput = false;
    ANotice = "리니지 클래식은 공식 승인 전까지 일부 키 입력이 제한될 수 있습니다.";
    const TJsonValue* L = AObj != nullptr ? ObjectMember(*AObj, "lineage_classic_input") : nullptr;
    if (L == nullptr) {
        return;
    }
    AStatus = JsonStr(L, "status", AStatus);
    AFullInput = JsonBool(L, "full_input", AFullInput);
    ANotice = JsonStr(L, "notice", ANotice);
}

TMyPcInfo ParseMyPcInfo(const TJsonValue& AObj)
{
    TMyPcInfo Info;
    Info.HasPc = true;
    Info.AssignmentId = JsonInt(&AObj, "assignment_id", 0);
    Info.PcId = JsonInt(&AObj, "pc_id", 0);
    Info.PcName = JsonStr(&AObj, "pc_name", "");
    Info.PcIP = JsonStr(&AObj, "pc_ip", "");
    Info.PcPort = JsonInt(&AObj, "pc_port", 0);
    Info.PcStatus = JsonStr(&AObj, "pc_status", "offline");
    Info.MonthlyPrice = JsonInt(&AObj, "monthly_price", 0);
    Info.StartDate = JsonStr(&AObj, "start_date", "");
    Info.EndDate = JsonStr(&AObj, "end_date", "");
    // Truncated toward zero; a count of days beyond the 32-bit range is not
    // a count of days, and converting it would be undefined.
    const double Days = std::trunc(JsonFloat(&AObj, "days_remaining", 0));
    if (!(Days > -2147483649.0 && Days < 2147483648.0)) {
        throw EConvertError("\"days_remaining\": out of range");
    }
    Info.DaysRemaining = static_cast<std::int32_t>(Days);

    if (const TJsonValue* H = ObjectMember(AObj, "hardware_info")) {
        Info.HwCpu = JsonStr(H, "cpu", "");
        Info.HwGpu = JsonStr(H, "gpu", "");
        const std::int32_t Ram = JsonInt(H, "ram_gb", 0);
        Info.HwRam = Ram > 0 ? RamText(Ram) : JsonStr(H, "ram", "-");
        Info.HwOs = JsonStr(H, "os", "");
        for (const std::string* Part : {&Info.HwCpu, &Info.HwGpu, &Info.HwRam, &Info.HwOs}) {
            if (Part->empty()) {
                continue;
            }
            if (!Info.HardwareSummary.empty()) {
                Info.HardwareSummary += " \xC2\xB7 ";  // " · "
            }
            Info.HardwareSummary += *Part;
        }
    }
    ReadLineageInput(&AObj, Info.LineageInputStatus, Info.LineageFullInput, Info.LineageInputNotice);
    return Info;
}

}  // namespace nimbral
