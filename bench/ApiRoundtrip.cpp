// GET /api/v1/me through TApiClient against the same requests through a bare
// libcurl easy handle, both against one local server in the same run.
// Rounds alternate between the two so drift on a shared machine hits both;
// each round gives one ratio and the median of those is reported, which is
// steadier on two shared cores than comparing the best round of each side.
//   bench_api_roundtrip [REQUESTS] [ROUNDS]
#include "api/ApiClient.h"

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

std::string MeEnvelope()
{
    std::string Body =
        R"({"success":true,"message":"","data":{"id":1024,"name":"김철수","email":"kim@example.kr",)"
        R"("remaining_minutes":1440,"has_subscription":true,"subscription_expires_at":"2026-12-31T23:59:59+09:00",)"
        R"("subscription_plan_name":"월정액 프리미엄","subscription_remaining_days":21,"profile":")";
    const std::size_t Target = 1024;
    const std::string Tail = R"("}})";
    Body.append(Target - Body.size() - Tail.size(), 'x');
    return Body + Tail;
}

double OursSeconds(const std::string& Origin, int Requests)
{
    nimbral::TApiClient Api(Origin);
    Api.SetAuthToken("bench-token");
    const auto Start = TClock::now();
    for (int I = 0; I < Requests; ++I) {
        nimbral::TUserInfo User;
        nimbral::TApiResponse R = Api.GetMe(User);
        if (!R.Success || User.Id != 1024) {
            throw std::runtime_error("unexpected answer: " + R.Message);
        }
    }
    return std::chrono::duration<double>(TClock::now() - Start).count();
}

std::size_t Collect(char* Data, std::size_t Size, std::size_t Count, void* User)
{
    static_cast<std::string*>(User)->append(Data, Size * Count);
    return Size * Count;
}

double AnchorSeconds(const std::string& Origin, int Requests)
{
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> Easy(curl_easy_init(), &curl_easy_cleanup);
    curl_slist* Raw = nullptr;
    for (const char* H : {"Content-Type: application/json", "Accept: application/json",
                          "Authorization: Bearer bench-token"}) {
        Raw = curl_slist_append(Raw, H);
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> Headers(Raw, &curl_slist_free_all);
    const std::string Url = Origin + "/api/v1/me";
    std::string Body;
    curl_easy_setopt(Easy.get(), CURLOPT_URL, Url.c_str());
    curl_easy_setopt(Easy.get(), CURLOPT_HTTPHEADER, Headers.get());
    curl_easy_setopt(Easy.get(), CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(Easy.get(), CURLOPT_WRITEDATA, &Body);
    curl_easy_setopt(Easy.get(), CURLOPT_NOSIGNAL, 1L);
    const auto Start = TClock::now();
    for (int I = 0; I < Requests; ++I) {
        Body.clear();
        if (curl_easy_perform(Easy.get()) != CURLE_OK || Body.size() != 1024) {
            throw std::runtime_error("anchor request failed");
        }
    }
    return std::chrono::duration<double>(TClock::now() - Start).count();
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const std::size_t N = Values.size();
    return N % 2 == 1 ? Values[N / 2] : (Values[N / 2 - 1] + Values[N / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const int Requests = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int Rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    httplib::Server Server;
    Server.set_keep_alive_max_count(1'000'000);
    Server.set_tcp_nodelay(true);
    const std::string Envelope = MeEnvelope();
    Server.Get("/api/v1/me", [&](const httplib::Request&, httplib::Response& Res) {
        Res.set_content(Envelope, "application/json; charset=utf-8");
    });
    const int Port = Server.bind_to_any_port("127.0.0.1");
    std::thread Listener([&] { Server.listen_after_bind(); });
    while (!Server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::string Origin = "http://127.0.0.1:" + std::to_string(Port);

    std::vector<double> Ours;
    std::vector<double> Anchor;
    std::vector<double> Ratios;
    int Status = 0;
    try {
        OursSeconds(Origin, 50);  // warm-up
        AnchorSeconds(Origin, 50);
        for (int R = 0; R < Rounds; ++R) {
            Ours.push_back(OursSeconds(Origin, Requests));
            Anchor.push_back(AnchorSeconds(Origin, Requests));
            Ratios.push_back(Ours.back() / Anchor.back());
        }
        const double OursMedian = Median(Ours);
        const double AnchorMedian = Median(Anchor);
        std::printf("TApiClient   %d GETs: %.3f s (%.1f us each, median of %d rounds)\n", Requests, OursMedian,
                    OursMedian * 1e6 / Requests, Rounds);
        std::printf("bare libcurl %d GETs: %.3f s (%.1f us each)\n", Requests, AnchorMedian,
                    AnchorMedian * 1e6 / Requests);
        std::printf("RATIO api_roundtrip %.3f\n", Median(Ratios));
    } catch (const std::exception& E) {
        std::fprintf(stderr, "api_roundtrip: %s\n", E.what());
        Status = 1;
    }
    Server.stop();
    Listener.join();
    curl_global_cleanup();
    return Status;
}
