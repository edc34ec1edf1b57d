// A foreign caller of the library for the machine-binding test: it runs inside
// a private mount namespace where /etc/machine-id shows another machine.
//   crypto_machine_helper seal-file|open-file|seal-buffer|open-buffer PATH
// Exit status: the negated return code of the library call (0 on success).
#include "nimbral_crypto.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

const unsigned char kPayload[] = "sealed on the machine the helper runs on";

int seal_buffer_to(const char* path) {
    std::vector<unsigned char> container(sizeof kPayload + 49);
    int capacity = static_cast<int>(container.size());
    const int code = Nimbral_EncryptBuffer(kPayload, sizeof kPayload, container.data(), &capacity);
    if (code == 0) std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(container.data()), capacity);
    return code;
}

int open_buffer_from(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> container((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> out(container.size());
    int size = static_cast<int>(out.size());
    const int code = Nimbral_DecryptBuffer(container.data(), static_cast<int>(container.size()), out.data(), &size);
    if (code == 0 && (size != sizeof kPayload || std::memcmp(out.data(), kPayload, sizeof kPayload) != 0)) return -100;
    return code;
}

int open_file_from(const char* path) {
    unsigned char* data = nullptr;
    int size = 0;
    const int code = Nimbral_DecryptFile(path, &data, &size);
    if (code == 0 && (size != sizeof kPayload || std::memcmp(data, kPayload, sizeof kPayload) != 0)) return -100;
    Nimbral_Free(data);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s seal-file|open-file|seal-buffer|open-buffer PATH\n", argv[0]);
        return 200;
    }
    const char* command = argv[1];
    const char* path = argv[2];
    int code = -101;
    if (std::strcmp(command, "seal-file") == 0) code = Nimbral_EncryptFile(path, kPayload, sizeof kPayload);
    if (std::strcmp(command, "open-file") == 0) code = open_file_from(path);
    if (std::strcmp(command, "seal-buffer") == 0) code = seal_buffer_to(path);
    if (std::strcmp(command, "open-buffer") == 0) code = open_buffer_from(path);
    return -code;
}
