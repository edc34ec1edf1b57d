#pragma once
// Environment variables set (or unset) for one test and put back as they
// were when it ends. On Windows the C runtime passes each change on to the
// process environment, where the system's own calls read it.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nimbral::test {

#ifdef _WIN32
// An empty value removes the variable there.
inline void SetEnvVar(const std::string& Name, const std::string& Value) { ::_putenv_s(Name.c_str(), Value.c_str()); }
inline void UnsetEnvVar(const std::string& Name) { ::_putenv_s(Name.c_str(), ""); }
#else
inline void SetEnvVar(const std::string& Name, const std::string& Value) { ::setenv(Name.c_str(), Value.c_str(), 1); }
inline void UnsetEnvVar(const std::string& Name) { ::unsetenv(Name.c_str()); }
#endif

class TScopedEnv {
public:
    TScopedEnv() = default;
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;
    ~TScopedEnv() {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->second)
                SetEnvVar(it->first, *it->second);
            else
                UnsetEnvVar(it->first);
        }
    }

    // Sets Name to Value; nullopt unsets it.
    void Set(const std::string& Name, const std::optional<std::string>& Value) {
        const char* before = std::getenv(Name.c_str());
        FSaved.emplace_back(Name, before != nullptr ? std::optional<std::string>(before) : std::nullopt);
        if (Value)
            SetEnvVar(Name, *Value);
        else
            UnsetEnvVar(Name);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

}  // namespace nimbral::test
