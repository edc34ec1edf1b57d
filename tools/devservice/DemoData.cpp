#include "DemoData.h"

namespace nimbral::devservice {

TDemoData MakeDemoData()
{
    TDemoData Data;
    // 김민준 holds a subscription with a PC of his own; 이서연 pays by the hour.
    Data.Accounts = {
        {1, "김민준", "minjun.kim@nimbral.dev", "nimbral1234", 1260, true, "2027-01-31", "전용 PC 월정액", 52, 3500},
        {2, "이서연", "seoyeon.lee@nimbral.dev", "nimbral5678", 340, false, "", "", 0, 1200},
    };
    const std::string Gangnam = "강남 1호점";
    const std::string GangnamAddress = "서울 강남구 테헤란로 152";
    const std::string Hongdae = "홍대 2호점";
    const std::string HongdaeAddress = "서울 마포구 양화로 160";
    Data.Pcs = {
        {101, Gangnam + " · PC 07", GangnamAddress, "10.20.1.7", 47989, "RTX 4070 · 32 GB", 1200, 0},
        {102, Gangnam + " · PC 12", GangnamAddress, "10.20.1.12", 47989, "RTX 4070 · 32 GB", 1200, 0},
        {103, Gangnam + " · PC 21", GangnamAddress, "10.20.1.21", 47989, "RTX 4080 · 64 GB", 1500, 0},
        {104, Hongdae + " · PC 03", HongdaeAddress, "10.20.2.3", 47989, "RTX 3060 · 16 GB", 1000, 0},
        {105, Hongdae + " · PC 15", HongdaeAddress, "10.20.2.15", 47989, "RTX 4080 · 64 GB", 0, 1},
    };
    return Data;
}

}  // namespace nimbral::devservice
