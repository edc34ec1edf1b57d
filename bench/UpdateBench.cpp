// One small program for the update comparisons in bench/comparisons: each
// mode does one piece of the update engine's work, so the script can time it
// beside the standard tool doing the same work.
//   bench_update sha256 FILE            prints FileSha256 of FILE
//   bench_update extract ZIP DIR        ExtractZip of ZIP into DIR
//   bench_update download URL FILE      DownloadFile of URL into FILE
//   bench_update serve FILE             serves FILE on 127.0.0.1, prints the port, runs until killed
//   bench_update install URL SHA256 PROGRAM TEMP
//                                       the whole installation sequence (InstallUpdate) of the
//                                       package at URL over PROGRAM's folder, TEMP as the
//                                       temporary folder; the new build is not started

#include "update/UpdateInstall.h"
#include "update/Updater.h"

#include <httplib.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

namespace {

int Serve(const std::string& File) {
    httplib::Server server;
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(File));
    server.Get(".*", [&](const httplib::Request&, httplib::Response& Res) {
        auto in = std::make_shared<std::ifstream>(File, std::ios::binary);
        auto buffer = std::make_shared<std::vector<char>>(1 << 20);
        Res.set_content_provider(size, "application/zip",
                                 [in, buffer](size_t Offset, size_t Length, httplib::DataSink& Sink) {
                                     in->seekg(static_cast<std::streamoff>(Offset));
                                     in->read(buffer->data(), static_cast<std::streamsize>(std::min(Length, buffer->size())));
                                     const auto got = static_cast<std::size_t>(in->gcount());
                                     return got > 0 && Sink.write(buffer->data(), got);
                                 });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::cout << port << std::endl;
    server.listen_after_bind();
    return 0;
}

int Install(const std::string& Url, const std::string& Sha256, const std::string& Program,
            const std::string& Temp) {
    nimbral::TUpdateInfo info;
    info.Version = "2.0.0";
    info.MinVersion = info.Version;
    info.Url = Url;
    info.Sha256 = Sha256;
    nimbral::TUpdateEnvironment env{Program, Temp, {}};
    env.Ops.Start = [](const std::filesystem::path&, const std::filesystem::path&) { return true; };
    const nimbral::TInstallOutcome outcome = nimbral::InstallUpdate(info, {}, env);
    if (!outcome.Installed)
        std::cerr << "bench_update: " << outcome.FailureText << '\n';
    return outcome.Installed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "sha256") {
            std::cout << nimbral::FileSha256(args[1]) << '\n';
            return 0;
        }
        if (args.size() == 3 && args[0] == "extract")
            return nimbral::ExtractZip(args[1], args[2]) ? 0 : 1;
        if (args.size() == 3 && args[0] == "download")
            return nimbral::DownloadFile(args[1], args[2], nullptr) ? 0 : 1;
        if (args.size() == 2 && args[0] == "serve")
            return Serve(args[1]);
        if (args.size() == 5 && args[0] == "install")
            return Install(args[1], args[2], args[3], args[4]);
    } catch (const std::exception& e) {
        std::cerr << "bench_update: " << e.what() << '\n';
        return 1;
    }
    std::cerr << "usage: bench_update sha256 FILE | extract ZIP DIR | download URL FILE | serve FILE"
                 " | install URL SHA256 PROGRAM TEMP\n";
    return 2;
}
