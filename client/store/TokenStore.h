#pragma once
#include <filesystem>
#include <string>
namespace nimbral {
std::filesystem::path GetTokenFilePath();
bool SaveToken(const std::string& Token);
std::string LoadToken();
void ClearToken();
}
