#include "ApiFixture.h"

#include <functional>
#include <utility>
#include <vector>

namespace nimbral::test {
namespace {

TEST_F(ApiTest, CatalogueRequests)
{
    TPcUsageRequestInfo Req;
    ExpectRequests({
        {"GetRegions", [&](TApiClient& A) { A.GetRegions(); }, "GET", "/api/v1/regions", nullptr},
        {"GetPcBangsByRegion('')", [&](TApiClient& A) { A.GetPcBangsByRegion(""); }, "GET", "/api/v1/pc-bangs",
         nullptr},
        {"GetPcBangsByRegion(Korean)", [&](TApiClient& A) { A.GetPcBangsByRegion("서울 강남"); }, "GET",
         "/api/v1/pc-bangs?region=%EC%84%9C%EC%9A%B8+%EA%B0%95%EB%82%A8", nullptr},
        {"GetAvailablePCs(0)", [&](TApiClient& A) { A.GetAvailablePCs(0); }, "GET", "/api/v1/pcs", nullptr},
        {"GetAvailablePCs(5)", [&](TApiClient& A) { A.GetAvailablePCs(5); }, "GET", "/api/v1/pcs?pc_bang_id=5",
         nullptr},
        {"CreatePcUsageRequest(0)", [&](TApiClient& A) { A.CreatePcUsageRequest(0, Req); }, "POST",
         "/api/v1/pc-usage-requests", R"({"pc_bang_id":0})"},
        {"GetCurrentPcUsageRequest(0)", [&](TApiClient& A) { A.GetCurrentPcUsageRequest(0, Req); }, "GET",
         "/api/v1/pc-usage-requests/current?pc_bang_id=0", nullptr},
        {"CancelPcUsageRequest", [&](TApiClient& A) { A.CancelPcUsageRequest(14); }, "POST",
         "/api/v1/pc-usage-requests/14/cancel", "{}"},
    });
}

TEST(EncodeRegionKey, Table)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"seoul", "seoul"},
        {"A-Z_a.z09", "A-Z_a.z09"},
        {"!$'()*@", "!$'()*@"},
        {"a b", "a+b"},
        {"a&b=c?d/e#f%g+h~", "a%26b%3Dc%3Fd%2Fe%23f%25g%2Bh%7E"},
        {"\"<>,;:[]{}|\\^`", "%22%3C%3E%2C%3B%3A%5B%5D%7B%7D%7C%5C%5E%60"},
        {"경기", "%EA%B2%BD%EA%B8%B0"},
        {"\xF0\x9F\x98\x80", "%F0%9F%98%80"},
        {"\t\x7F", "%09%7F"},
    };
    for (const auto& [In, Out] : Cases) {
        EXPECT_EQ(EncodeRegionKey(In), Out) << In;
    }
}

TEST_F(ApiTest, RegionsAndPcBangs)
{
    Reply(R"({"success":true,"data":[{"key":"seoul","name":"서울","pc_bang_count":12}]})");
    const auto Regions = Api.GetRegions();
    ASSERT_EQ(Regions.size(), 1u);
    EXPECT_EQ(Regions[0], (TRegionInfo{"seoul", "서울", 12}));

    Reply(R"({"success":true,"data":[{"id":3,"branch_id":9,"region":"seoul","region_name":"서울","name":"강남점",)"
          R"("address":"강남대로 1","available_pcs_count":17,"user_rate_per_hour":1500}]})");
    const auto Bangs = Api.GetPcBangsByRegion("seoul");
    ASSERT_EQ(Bangs.size(), 1u);
    EXPECT_EQ(Bangs[0], (TPcBangInfo{3, 0, "seoul", "서울", "강남점", "강남대로 1", 17, 1500}));
}

TEST_F(ApiTest, AvailablePcsRecordMapping)
{
    Reply(R"({"success":true,"data":[)"
          R"({"id":1,"pc_bang_id":3,"pc_name":"A-01","ip":"10.0.0.1","port":3389,"status":"idle",)"
          R"("pc_bang":{"name":"강남점","user_rate_per_hour":1500},)"
          R"("hardware_info":{"cpu":"c","gpu":"RTX 4070","ram_gb":32,"os":"o","summary":"ignored"},)"
          R"("lineage_classic_input":{"status":"approved","full_input":true,"notice":"ok"}},)"
          R"({"id":2,"pc_bang":"x","hardware_info":{"gpu":"","ram_gb":0,"ram":"16GB","summary":"요약"}},)"
          R"({"id":3,"hardware_info":{"summary":"s"}},)"
          R"({"id":4}]})");
    const auto Pcs = Api.GetAvailablePCs(3);
    ASSERT_EQ(Pcs.size(), 4u);
    EXPECT_EQ(Pcs[0], (TPcInfo{1, 3, "A-01", "10.0.0.1", 3389, "idle", "강남점", 1500, "RTX 4070", "c", "RTX 4070",
                               "32 GB", "o", "approved", true, "ok"}));
    EXPECT_EQ(Pcs[1].PcBangName, "");
    EXPECT_EQ(Pcs[1].UserRatePerHour, 0);
    EXPECT_EQ(Pcs[1].HwRam, "16GB");
    EXPECT_EQ(Pcs[1].HardwareSummary, "요약");
    EXPECT_EQ(Pcs[2].HwRam, "");
    EXPECT_EQ(Pcs[2].HardwareSummary, "s");
    EXPECT_EQ(Pcs[3].HardwareSummary, "");
    EXPECT_EQ(Pcs[3].LineageInputStatus, "pending_approval");
    EXPECT_FALSE(Pcs[3].LineageInputNotice.empty());
}

TEST_F(ApiTest, CatalogueListsEmptyForAnythingButASuccessfulArray)
{
    for (const char* Json : {R"({"success":true,"data":{}})", R"({"success":true})",
                             R"({"success":false,"data":[{"id":1}]})", "<html>"}) {
        SCOPED_TRACE(Json);
        Reply(Json);
        EXPECT_TRUE(Api.GetRegions().empty());
        EXPECT_TRUE(Api.GetPcBangsByRegion("k").empty());
        EXPECT_TRUE(Api.GetAvailablePCs(1).empty());
    }
}

TEST_F(ApiTest, CatalogueConversionErrorsReachTheCaller)
{
    const std::vector<std::pair<const char*, std::function<void()>>> Cases = {
        {R"({"success":true,"data":[{"id":1},7]})", [&] { Api.GetRegions(); }},
        {R"({"success":true,"data":[null]})", [&] { Api.GetPcBangsByRegion(""); }},
        {R"({"success":true,"data":[{"port":"x"}]})", [&] { Api.GetAvailablePCs(0); }},
        {R"({"success":true,"data":[{"pc_bang":{"user_rate_per_hour":1.5}}]})", [&] { Api.GetAvailablePCs(0); }},
        {R"({"success":true,"data":{"id":[]}})", [&] { TPcUsageRequestInfo R; Api.CreatePcUsageRequest(1, R); }},
    };
    for (const auto& [Json, Call] : Cases) {
        SCOPED_TRACE(Json);
        Reply(Json);
        EXPECT_THROW(Call(), EConvertError);
    }
}

TEST_F(ApiTest, PcUsageRequests)
{
    TPcUsageRequestInfo Req;
    Reply(R"({"success":true,"data":{"id":14,"pc_bang_id":3,"status":"pending","created_at":"c"}})");
    Api.CreatePcUsageRequest(3, Req);
    EXPECT_EQ(Req, (TPcUsageRequestInfo{14, 3, "pending", "c"}));
    Api.GetCurrentPcUsageRequest(3, Req);
    EXPECT_EQ(Req, (TPcUsageRequestInfo{14, 3, "pending", "c"}));

    for (const char* Json : {R"({"success":true,"data":null})", R"({"success":true,"data":[1]})",
                             R"({"success":false,"data":{"id":1}})"}) {
        SCOPED_TRACE(Json);
        Reply(Json);
        EXPECT_NO_THROW(Api.GetCurrentPcUsageRequest(3, Req));
        EXPECT_EQ(Req, TPcUsageRequestInfo{});
    }
    Reply(R"({"success":true,"data":{"id":"bad"}})");
    EXPECT_TRUE(Api.CancelPcUsageRequest(14).Success);  // read nothing
}

}  // namespace
}  // namespace nimbral::test
