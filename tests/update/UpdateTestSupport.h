#pragma once
// Small helpers shared by the update tests: a temporary folder that removes
// itself, whole-file reads and writes, and a snapshot of a folder tree that
// compares content byte for byte.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

namespace nimbral::test {

namespace fs = std::filesystem;

class TTempDir {
public:
    TTempDir() {
        std::random_device rd;
        FPath = fs::temp_directory_path() /
                ("nimbral-update-test-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(FPath);
    }
    ~TTempDir() {
        std::error_code ec;
        fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const fs::path& Path() const { return FPath; }
    fs::path operator/(const fs::path& Rel) const { return FPath / Rel; }

private:
    fs::path FPath;
};

inline void WriteFile(const fs::path& Path, const std::string& Content) {
    fs::create_directories(Path.parent_path());
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out << Content;
}

inline std::string ReadFile(const fs::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every entry below Dir, by its UTF-8 path with "/" separators: folders map
// to "<dir>", files to their content.
inline std::map<std::string, std::string> Snapshot(const fs::path& Dir) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(Dir)) {
        const std::u8string name = e.path().lexically_relative(Dir).generic_u8string();
        const std::string rel(name.begin(), name.end());
        tree[rel] = e.is_directory() ? std::string("<dir>") : ReadFile(e.path());
    }
    return tree;
}

inline std::string RandomBytes(std::size_t Size, unsigned Seed) {
    std::mt19937 gen(Seed);
    std::string s(Size, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

// Runs a shell command line in Dir; true when it exits with 0.
inline bool RunIn(const fs::path& Dir, const std::string& Command) {
    const std::string line = "cd '" + Dir.string() + "' && " + Command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

}  // namespace nimbral::test
