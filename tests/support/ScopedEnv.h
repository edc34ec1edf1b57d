#pragma once
// Environment variables set (or unset) for one test and put back as they
// were when it ends (Linux).

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nimbral::test {

class TScopedEnv {
public:
    TScopedEnv() = default;
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;
    ~TScopedEnv() {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

    // Sets Name to Value; nullopt unsets it.
    void Set(const std::string& Name, const std::optional<std::string>& Value) {
        const char* before = std::getenv(Name.c_str());
        FSaved.emplace_back(Name, before != nullptr ? std::optional<std::string>(before) : std::nullopt);
        if (Value)
            ::setenv(Name.c_str(), Value->c_str(), 1);
        else
            ::unsetenv(Name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

}  // namespace nimbral::test
