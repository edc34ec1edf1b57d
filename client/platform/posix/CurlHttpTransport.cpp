// The libcurl transport. One easy handle and one multi handle live as long as
// the transport, so the multi handle's connection cache keeps connections
// alive between requests. The transfer is driven through the multi handle
// rather than curl_easy_perform because libcurl has no "idle for N ms" limit
// finer than a second: the loop below polls with the remaining idle time and
// ends the transfer itself when the answer stalls. The idle clock starts when
// the connection is made (or reused); before that the connect time-out rules.
// libcurl follows no redirect and sends no user agent of its own: the
// redirects are TTransportBase's, and no user agent is set, as on Windows.
#include "core/Text.h"
#include "platform/TransportBase.h"
#include "platform/posix/CurlHandles.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>

namespace nimbral {

namespace {

using TClock = std::chrono::steady_clock;

// What the callbacks of one transfer share with the loop that drives it.
struct TExchange {
    CURL* Easy = nullptr;
    const std::string* Url = nullptr;
    THttpResponse Response;
    bool Routed = false;   // where the body goes is decided at its first byte
    bool Dropped = false;  // the body of a redirect that is followed
    const THttpSink* Sink = nullptr;
    const THttpProgress* Progress = nullptr;
    std::int64_t Received = 0;
    std::exception_ptr Raised;
    bool Connected = false;
    TClock::time_point LastActivity;
    curl_off_t Uploaded = 0;

    void Touch() { LastActivity = TClock::now(); }
};

std::size_t OnHeader(char* Data, std::size_t Size, std::size_t Count, void* User)
{
    auto& X = *static_cast<TExchange*>(User);
    const std::size_t Bytes = Size * Count;
    X.Touch();
    const std::string_view Line(Data, Bytes);
    if (Line.rfind("HTTP/", 0) == 0) {
        // A new status line: an interim (1xx) block before it does not count.
        X.Response.Headers.clear();
        return Bytes;
    }
    const std::size_t Colon = Line.find(':');
    if (Colon != std::string_view::npos) {
        X.Response.Headers.push_back(
            {std::string(TrimBlanks(Line.substr(0, Colon))), std::string(TrimBlanks(Line.substr(Colon + 1)))});
    }
    return Bytes;
}

std::size_t OnBody(char* Data, std::size_t Size, std::size_t Count, void* User)
{
    auto& X = *static_cast<TExchange*>(User);
    const std::size_t Bytes = Size * Count;
    X.Touch();
    if (!X.Routed) {
        long Status = 0;
        curl_easy_getinfo(X.Easy, CURLINFO_RESPONSE_CODE, &Status);
        X.Response.StatusCode = static_cast<std::int32_t>(Status);
        X.Dropped = FollowedRedirect(*X.Url, X.Response).has_value();
        X.Routed = true;
    }
    if (X.Dropped) {
        return Bytes;
    }
    try {
        if (X.Sink == nullptr) {
            AppendAnswer(X.Response.Body, Data, Bytes);
            return Bytes;
        }
        (*X.Sink)(Data, Bytes);
        X.Received += static_cast<std::int64_t>(Bytes);
        if (X.Progress != nullptr && *X.Progress) {
            curl_off_t Total = -1;
            curl_easy_getinfo(X.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Total);
            (*X.Progress)(X.Received, static_cast<std::int64_t>(Total));
        }
    } catch (...) {
        // Exceptions must not cross libcurl's C frames: keep it, abort, rethrow later.
        X.Raised = std::current_exception();
        return 0;
    }
    return Bytes;
}

int OnConnected(void* User, char*, char*, int, int)
{
    auto& X = *static_cast<TExchange*>(User);
    X.Connected = true;
    X.Touch();
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* User, curl_off_t, curl_off_t, curl_off_t, curl_off_t Uploaded)
{
    auto& X = *static_cast<TExchange*>(User);
    if (Uploaded != X.Uploaded) {
        // Sending a large body is progress too.
        X.Uploaded = Uploaded;
        X.Touch();
    }
    return 0;
}

class TCurlHttpTransport final : public TTransportBase {
public:
    TCurlHttpTransport() : FEasy(curl_easy_init()), FMulti(curl_multi_init())
    {
        if (!FEasy || !FMulti) {
            throw EHttpError("libcurl could not be initialised");
        }
        CURL* E = FEasy.get();
        curl_easy_setopt(E, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(E, CURLOPT_ERRORBUFFER, FError);
        curl_easy_setopt(E, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(E, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(E, CURLOPT_PREREQFUNCTION, &OnConnected);
        curl_easy_setopt(E, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(E, CURLOPT_NOPROGRESS, 0L);
    }

private:
    THttpResponse Exchange(const THttpRequest& Request, const THttpSink* Sink,
                           const THttpProgress* Progress) override
    {
        TExchange X;
        X.Url = &Request.Url;
        X.Sink = Sink;
        X.Progress = Progress;
        Perform(Request, X);
        return std::move(X.Response);
    }

    TCurlEasy FEasy;
    TCurlMulti FMulti;
    char FError[CURL_ERROR_SIZE] = {};

    static TCurlSlist BuildHeaders(const std::vector<THttpHeader>& Headers)
    {
        TCurlSlist List;
        bool HasExpect = false;
        const auto Append = [&List](const std::string& Line) {
            curl_slist* Grown = curl_slist_append(List.get(), Line.c_str());
            if (Grown == nullptr) {
                throw EHttpError("out of memory building request headers");
            }
            (void)List.release();
            List.reset(Grown);
        };
        for (const THttpHeader& H : Headers) {
            // "Name:" with nothing after it tells libcurl to send no such
            // header, not even one it would add on its own.
            Append(H.Value.empty() ? H.Name + ":" : H.Name + ": " + H.Value);
            HasExpect = HasExpect || SameTextNoCase(H.Name, "Expect");
        }
        if (!HasExpect) {
            // No 100-continue round trip before large bodies.
            Append("Expect:");
        }
        return List;
    }

    void Perform(const THttpRequest& Request, TExchange& X)
    {
        CURL* E = FEasy.get();
        X.Easy = E;
        FError[0] = '\0';
        const TCurlSlist Headers = BuildHeaders(Request.Headers);
        const std::string& Method = Request.Method;
        const std::string* Body = Request.Body;

        curl_easy_setopt(E, CURLOPT_URL, Request.Url.c_str());
        curl_easy_setopt(E, CURLOPT_HTTPHEADER, Headers.get());
        curl_easy_setopt(E, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectTimeoutMs()));
        curl_easy_setopt(E, CURLOPT_HEADERDATA, &X);
        curl_easy_setopt(E, CURLOPT_WRITEDATA, &X);
        curl_easy_setopt(E, CURLOPT_PREREQDATA, &X);
        curl_easy_setopt(E, CURLOPT_XFERINFODATA, &X);
        // A POST without a body still says Content-Length: 0; a request that
        // says nothing would leave the server waiting for a body to end.
        static const std::string NoBody;
        if (Body == nullptr && Method != "GET" && Method != "DELETE") {
            Body = &NoBody;
        }
        if (Body != nullptr) {
            curl_easy_setopt(E, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(Body->size()));
            curl_easy_setopt(E, CURLOPT_POSTFIELDS, Body->data());
            curl_easy_setopt(E, CURLOPT_CUSTOMREQUEST, Method == "POST" ? nullptr : Method.c_str());
        } else {
            curl_easy_setopt(E, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(E, CURLOPT_CUSTOMREQUEST, Method == "GET" ? nullptr : Method.c_str());
        }

        const CURLcode Result = Drive(X);
        if (X.Raised) {
            std::rethrow_exception(X.Raised);
        }
        if (Result != CURLE_OK) {
            throw EHttpError(FError[0] != '\0' ? FError : curl_easy_strerror(Result));
        }
        long Status = 0;
        curl_easy_getinfo(E, CURLINFO_RESPONSE_CODE, &Status);
        X.Response.StatusCode = static_cast<std::int32_t>(Status);
    }

    // Runs the transfer to its end; raises EHttpError when the answer stalls
    // for longer than the response time-out.
    CURLcode Drive(TExchange& X)
    {
        CURLM* M = FMulti.get();
        const TCurlAttachment Attached(M, FEasy.get());
        X.Touch();
        int Running = 1;
        while (true) {
            const CURLMcode Mc = curl_multi_perform(M, &Running);
            if (Mc != CURLM_OK) {
                throw EHttpError(curl_multi_strerror(Mc));
            }
            if (Running == 0) {
                break;
            }
            int WaitMs = 1000;
            if (X.Connected && ResponseTimeoutMs() > 0) {
                const auto Idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      TClock::now() - X.LastActivity)
                                      .count();
                if (Idle >= ResponseTimeoutMs()) {
                    throw EHttpError("Operation timed out: no answer from the server for " +
                                     std::to_string(ResponseTimeoutMs()) + " ms");
                }
                WaitMs = static_cast<int>(std::min<long long>(WaitMs, ResponseTimeoutMs() - Idle));
            }
            curl_multi_poll(M, nullptr, 0, WaitMs, nullptr);
        }
        int Left = 0;
        while (CURLMsg* Msg = curl_multi_info_read(M, &Left)) {
            if (Msg->msg == CURLMSG_DONE) {
                return Msg->data.result;
            }
        }
        return CURLE_OK;
    }
};

}  // namespace

std::unique_ptr<THttpTransport> CreateHttpTransport()
{
    static std::once_flag Once;
    std::call_once(Once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return std::make_unique<TCurlHttpTransport>();
}

}  // namespace nimbral
