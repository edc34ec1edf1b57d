// The Linux build of nimbral_crypto's container code (OpenSSL backend) as a
// peer for the byte-compatibility tests of the Windows DLL: it seals or opens
// a container file as a machine with the given identity parts would.
//
//   nimbral-crypto-peer seal|open GUID SERIAL IN OUT STATUS
//
// seal: IN (plaintext) -> OUT (container); open: IN (container) -> OUT
// (plaintext). The function's return code goes to STATUS, written last and
// atomically: the Windows test under Wine cannot wait for a Linux process,
// so it waits for that file.
#include "Container.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

nimbral::crypto::TMachineIdentityParts GivenParts;

void ReadGivenIdentity(nimbral::crypto::TMachineIdentityParts& parts) noexcept { parts = GivenParts; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s seal|open GUID SERIAL IN OUT STATUS\n", argv[0]);
        return 2;
    }
    const std::string Mode = argv[1];
    std::strncpy(GivenParts.Guid, argv[2], sizeof GivenParts.Guid - 1);
    GivenParts.Serial = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    const nimbral::crypto::TCryptoSources Sources{ReadGivenIdentity, nimbral::crypto::fill_random};

    int Status = 0;
    if (Mode == "seal") {
        std::ifstream In(argv[4], std::ios::binary);
        std::vector<std::uint8_t> Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        Status = nimbral::crypto::seal_file(Sources, argv[5], Data.data(), static_cast<std::int32_t>(Data.size()));
    } else if (Mode == "open") {
        std::uint8_t* Plain = nullptr;
        std::int32_t Size = 0;
        Status = nimbral::crypto::open_file(Sources, argv[4], &Plain, &Size);
        if (Status == 0) {
            std::ofstream(argv[5], std::ios::binary).write(reinterpret_cast<const char*>(Plain), Size);
            std::free(Plain);
        }
    } else {
        return 2;
    }
    const std::string Partial = std::string(argv[6]) + ".part";
    std::ofstream(Partial) << Status << "\n";
    std::filesystem::rename(Partial, argv[6]);
    return 0;
}
