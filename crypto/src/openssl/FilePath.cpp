// fopen takes the bytes of a path as they are.
#include "../Backend.h"

namespace nimbral::crypto {

std::filesystem::path file_path(const char* path) { return std::filesystem::path(path); }

}  // namespace nimbral::crypto
