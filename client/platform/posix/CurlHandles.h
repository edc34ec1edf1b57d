#pragma once
// Owning handles for the libcurl objects the transport keeps.

#include <curl/curl.h>

#include <memory>

namespace nimbral {

struct TCurlEasyCleanup {
    void operator()(CURL* H) const { curl_easy_cleanup(H); }
};
struct TCurlMultiCleanup {
    void operator()(CURLM* H) const { curl_multi_cleanup(H); }
};
struct TCurlSlistCleanup {
    void operator()(curl_slist* L) const { curl_slist_free_all(L); }
};

using TCurlEasy = std::unique_ptr<CURL, TCurlEasyCleanup>;
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiCleanup>;
using TCurlSlist = std::unique_ptr<curl_slist, TCurlSlistCleanup>;

// Keeps an easy handle attached to a multi handle for one transfer.
class TCurlAttachment {
public:
    TCurlAttachment(CURLM* Multi, CURL* Easy) : FMulti(Multi), FEasy(Easy)
    {
        curl_multi_add_handle(FMulti, FEasy);
    }
    ~TCurlAttachment() { curl_multi_remove_handle(FMulti, FEasy); }
    TCurlAttachment(const TCurlAttachment&) = delete;
    TCurlAttachment& operator=(const TCurlAttachment&) = delete;

private:
    CURLM* FMulti;
    CURL* FEasy;
};

}  // namespace nimbral
