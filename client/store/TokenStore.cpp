// TEMPORARY (not committed): plain-text stand-in until the store branch lands.
#include "store/TokenStore.h"
#include <cstdlib>
#include <fstream>
#include <sstream>
namespace nimbral {
std::filesystem::path GetTokenFilePath() {
    const char* c = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base = c && *c ? c : std::filesystem::path(std::getenv("HOME")) / ".config";
    std::filesystem::create_directories(base / "NimbralClient");
    return base / "NimbralClient" / "auth.dat";
}
bool SaveToken(const std::string& Token) { if (Token.empty()) { ClearToken(); return true; } std::ofstream(GetTokenFilePath(), std::ios::binary) << Token; return true; }
std::string LoadToken() { std::ifstream f(GetTokenFilePath(), std::ios::binary); std::stringstream s; s << f.rdbuf(); return s.str(); }
void ClearToken() { std::error_code e; std::filesystem::remove(GetTokenFilePath(), e); }
}
