#include "update/PathText.h"
#include "update/Updater.h"

#include "core/HttpTransport.h"

#include <fstream>
#include <stdexcept>

namespace nimbral {

namespace fs = std::filesystem;

bool DownloadFile(const std::string& Url, const fs::path& Dest, const TProgressProc& Progress,
                  std::int32_t ConnectTimeoutMs) {
    if (fs::exists(fs::symlink_status(Dest)))
        fs::remove(Dest);
    if (Dest.has_parent_path())
        fs::create_directories(Dest.parent_path());

    const auto transport = CreateHttpTransport();
    transport->SetConnectTimeout(ConnectTimeoutMs);
    transport->SetResponseTimeout(0);  // a package takes as long as it takes

    THttpResponse response;
    {
        std::ofstream out(Dest, std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("파일을 만들 수 없습니다: " + PathText(Dest));
        try {
            response = transport->Receive(
                Url,
                [&](const char* Data, std::size_t Size) {
                    out.write(Data, static_cast<std::streamsize>(Size));
                    if (!out)
                        throw std::runtime_error("파일을 쓸 수 없습니다: " + PathText(Dest));
                },
                [&](std::int64_t Received, std::int64_t Total) {
                    if (Progress)
                        Progress(Received, Total);
                });
        } catch (const EHttpError&) {
            return false;  // the partial file stays; the next try replaces it
        }
        out.close();
        if (!out)
            throw std::runtime_error("파일을 쓸 수 없습니다: " + PathText(Dest));
    }

    const bool ok = response.StatusCode == 200;
    if (!ok && fs::exists(fs::symlink_status(Dest)))
        fs::remove(Dest);
    return ok;
}

}  // namespace nimbral
