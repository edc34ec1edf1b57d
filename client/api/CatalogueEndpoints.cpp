// The service's catalogue (regions, PC bangs, their PCs) and requests to use
// a PC of a PC bang.
#include "api/ApiClient.h"
#include "api/RecordReaders.h"

namespace nimbral {

using namespace api_detail;

namespace {

TRegionInfo ReadRegion(const TJsonValue& O)
{
    TRegionInfo Region;
    Region.Key = JsonStr(&O, "key", "");
    Region.Name = JsonStr(&O, "name", "");
    Region.PcBangCount = JsonInt(&O, "pc_bang_count", 0);
    return Region;
}

TPcBangInfo ReadPcBang(const TJsonValue& O)
{
    TPcBangInfo Bang;
    Bang.Id = JsonInt(&O, "id", 0);
    Bang.Region = JsonStr(&O, "region", "");
    Bang.RegionName = JsonStr(&O, "region_name", "");
    Bang.Name = JsonStr(&O, "name", "");
    Bang.Address = JsonStr(&O, "address", "");
    Bang.IdlePcCount = JsonInt(&O, "available_pcs_count", 0);
    Bang.UserRatePerHour = JsonInt(&O, "user_rate_per_hour", 0);
    return Bang;
}

TPcInfo ReadPc(const TJsonValue& P)
{
    TPcInfo Pc;
    Pc.Id = JsonInt(&P, "id", 0);
    Pc.PcBangId = JsonInt(&P, "pc_bang_id", 0);
    Pc.PcName = JsonStr(&P, "pc_name", "");
    Pc.IP = JsonStr(&P, "ip", "");
    Pc.Port = JsonInt(&P, "port", 0);
    Pc.Status = JsonStr(&P, "status", "");
    if (const TJsonValue* B = ObjectMember(P, "pc_bang")) {
        Pc.PcBangName = JsonStr(B, "name", "");
        Pc.UserRatePerHour = JsonInt(B, "user_rate_per_hour", 0);
    }
    if (const TJsonValue* H = ObjectMember(P, "hardware_info")) {
        Pc.HwCpu = JsonStr(H, "cpu", "");
        Pc.HwGpu = JsonStr(H, "gpu", "");
        Pc.HwOs = JsonStr(H, "os", "");
        const std::int32_t Ram = JsonInt(H, "ram_gb", 0);
        // Empty by default here; the my-PC record shows "-" instead.
        Pc.HwRam = Ram > 0 ? RamText(Ram) : JsonStr(H, "ram", "");
        Pc.HardwareSummary = !Pc.HwGpu.empty() ? Pc.HwGpu : JsonStr(H, "summary", "");
    }
    ReadLineageInput(&P, Pc.LineageInputStatus, Pc.LineageFullInput, Pc.LineageInputNotice);
    return Pc;
}

TApiResponse ReadUsageRequest(TApiResponse AResponse, TPcUsageRequestInfo& AReq)
{
    if (AResponse.Success && AResponse.Data != nullptr && AResponse.Data->IsObject()) {
        const TJsonValue* D = AResponse.Data;
        AReq.Id = JsonInt(D, "id", 0);
        AReq.PcBangId = JsonInt(D, "pc_bang_id", 0);
        AReq.Status = JsonStr(D, "status", "");
        AReq.CreatedAt = JsonStr(D, "created_at", "");
    }
    return AResponse;
}

}  // namespace

std::vector<TRegionInfo> TApiClient::GetRegions()
{
    return ReadList<TRegionInfo>(DoGet("/api/v1/regions"), ReadRegion);
}

std::vector<TPcBangInfo> TApiClient::GetPcBangsByRegion(const std::string& ARegionKey)
{
    std::string Path = "/api/v1/pc-bangs";
    if (!ARegionKey.empty()) {
        Path += "?region=" + EncodeRegionKey(ARegionKey);
    }
    return ReadList<TPcBangInfo>(DoGet(Path), ReadPcBang);
}

std::vector<TPcInfo> TApiClient::GetAvailablePCs(std::int32_t APcBangId)
{
    std::string Path = "/api/v1/pcs";
    if (APcBangId > 0) {
        Path += "?pc_bang_id=" + std::to_string(APcBangId);
    }
    return ReadList<TPcInfo>(DoGet(Path), ReadPc);
}

TApiResponse TApiClient::CreatePcUsageRequest(std::int32_t APcBangId, TPcUsageRequestInfo& AReq)
{
    AReq = {};
    TJsonValue Body = TJsonValue::Object();
    Body.Add("pc_bang_id", TJsonValue::Number(std::int64_t{APcBangId}));
    return ReadUsageRequest(DoPost("/api/v1/pc-usage-requests", &Body), AReq);
}

TApiResponse TApiClient::GetCurrentPcUsageRequest(std::int32_t APcBangId, TPcUsageRequestInfo& AReq)
{
    AReq = {};
    // A null "data" means no open request at that PC bang: Req stays empty.
    return ReadUsageRequest(DoGet("/api/v1/pc-usage-requests/current?pc_bang_id=" + std::to_string(APcBangId)),
                            AReq);
}

TApiResponse TApiClient::CancelPcUsageRequest(std::int32_t ARequestId)
{
    return DoPost("/api/v1/pc-usage-requests/" + std::to_string(ARequestId) + "/cancel", nullptr);
}

}  // namespace nimbral
