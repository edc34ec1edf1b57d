// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace nimbral::crypto::test {

class TTempFolder {
public:
    TTempFolder() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        FPath = std::filesystem::temp_directory_path() /
                ("nimbral-crypto-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(FPath);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }

    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

}  // namespace nimbral::crypto::test
