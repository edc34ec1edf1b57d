// The user's key is made once, atomically: random bytes go to a fresh file
// of mode 0600 that is then hard-linked under the key's name. A link never
// replaces an existing name, so two clients making the key at the same time
// cannot overwrite each other's: the loser drops its own and reads the
// winner's. A key file is used only when it is a regular file (not a link)
// of this user, closed to others and exactly 32 bytes long; anything else
// under that name is left alone and protection fails.

#include "platform/DataProtection.h"

#include "platform/posix/UniqueFd.h"
#include "platform/posix/UserFolders.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbral::platform {

namespace {

namespace fs = std::filesystem;
using posix::TUniqueFd;

constexpr std::string_view kMagic = "NDP1";
constexpr std::size_t kKeySize = 32;
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kTagSize = 16;
constexpr const char* kKeyFileName = "user.key";

struct TKey {
    std::array<unsigned char, kKeySize> Bytes{};
    TKey() = default;
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    ~TKey() { OPENSSL_cleanse(Bytes.data(), Bytes.size()); }
};

struct TCipherFree {
    void operator()(EVP_CIPHER_CTX* Ctx) const { EVP_CIPHER_CTX_free(Ctx); }
};
using TCipherCtx = std::unique_ptr<EVP_CIPHER_CTX, TCipherFree>;

fs::path KeyFolder() {
    return posix::XdgBaseFolder("XDG_DATA_HOME", ".local/share") / "NimbralClient";
}

enum class TKeyRead { Found, Missing, Refused };

// Moves Size bytes through Step (a read or a write from the offset it is
// given), which may move fewer at a time.
template <typename TStep>
bool MoveAll(std::size_t Size, TStep Step) {
    std::size_t done = 0;
    while (done < Size) {
        const ssize_t n = Step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

TKeyRead ReadKey(const fs::path& File, TKey& Key) {
    const TUniqueFd fd(::open(File.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
    if (!fd)
        return errno == ENOENT ? TKeyRead::Missing : TKeyRead::Refused;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0 || st.st_size != static_cast<off_t>(kKeySize))
        return TKeyRead::Refused;
    const bool read =
        MoveAll(kKeySize, [&](std::size_t Done) { return ::read(fd.Get(), Key.Bytes.data() + Done, kKeySize - Done); });
    return read ? TKeyRead::Found : TKeyRead::Refused;
}

// Puts a new key under File unless one is there already; false only when
// neither happened.
bool MakeKey(const fs::path& Folder, const fs::path& File) {
    std::error_code ec;
    fs::create_directories(Folder.parent_path(), ec);
    if (::mkdir(Folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    TKey fresh;
    if (RAND_bytes(fresh.Bytes.data(), static_cast<int>(kKeySize)) != 1)
        return false;
    std::string pending = (Folder / (std::string(kKeyFileName) + ".XXXXXX")).string();
    const TUniqueFd fd(::mkostemp(pending.data(), O_CLOEXEC));  // mode 0600
    if (!fd)
        return false;
    const bool written = MoveAll(kKeySize, [&](std::size_t Done) {
                             return ::write(fd.Get(), fresh.Bytes.data() + Done, kKeySize - Done);
                         }) && ::fsync(fd.Get()) == 0;
    const bool placed = written && (::link(pending.c_str(), File.c_str()) == 0 || errno == EEXIST);
    ::unlink(pending.c_str());
    return placed;
}

bool UserKey(bool MakeWhenMissing, TKey& Key) {
    try {
        const fs::path folder = KeyFolder();
        const fs::path file = folder / kKeyFileName;
        switch (ReadKey(file, Key)) {
            case TKeyRead::Found: return true;
            case TKeyRead::Refused: return false;
            case TKeyRead::Missing: break;
        }
        // Whoever won a race to make it, the key under the name is the one.
        return MakeWhenMissing && MakeKey(folder, file) && ReadKey(file, Key) == TKeyRead::Found;
    } catch (const std::runtime_error&) {  // no home folder
        return false;
    }
}

unsigned char* Bytes(std::string& S) { return reinterpret_cast<unsigned char*>(S.data()); }
const unsigned char* Bytes(std::string_view S) { return reinterpret_cast<const unsigned char*>(S.data()); }

}  // namespace

std::optional<std::string> ProtectForUser(std::string_view Data, std::string_view) {
    TKey key;
    if (Data.size() > INT_MAX - 64 || !UserKey(true, key))
        return std::nullopt;
    std::string blob(kMagic.size() + kNonceSize + Data.size() + kTagSize, '\0');
    std::memcpy(blob.data(), kMagic.data(), kMagic.size());
    unsigned char* nonce = Bytes(blob) + kMagic.size();
    unsigned char* cipher = nonce + kNonceSize;
    unsigned char* tag = cipher + Data.size();
    if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1)
        return std::nullopt;

    const TCipherCtx ctx(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    // The magic is authenticated with the data: a blob of another format
    // cannot pass for ours.
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.Bytes.data(), nonce) != 1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &written, Bytes(kMagic), static_cast<int>(kMagic.size())) != 1 ||
        EVP_EncryptUpdate(ctx.get(), cipher, &written, Bytes(Data), static_cast<int>(Data.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), cipher + written, &last) != 1 ||
        static_cast<std::size_t>(written + last) != Data.size() ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag) != 1)
        return std::nullopt;
    return blob;
}

std::optional<std::string> UnprotectForUser(std::string_view Blob) {
    if (Blob.size() < kMagic.size() + kNonceSize + kTagSize || Blob.size() > INT_MAX ||
        Blob.substr(0, kMagic.size()) != kMagic)
        return std::nullopt;
    TKey key;
    if (!UserKey(false, key))
        return std::nullopt;
    const std::size_t size = Blob.size() - kMagic.size() - kNonceSize - kTagSize;
    const unsigned char* nonce = Bytes(Blob) + kMagic.size();
    const unsigned char* cipher = nonce + kNonceSize;
    // OpenSSL only reads the expected tag, but its control interface is not const.
    std::array<unsigned char, kTagSize> tag{};
    std::memcpy(tag.data(), cipher + size, kTagSize);

    std::string plain(size, '\0');
    const TCipherCtx ctx(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.Bytes.data(), nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &written, Bytes(kMagic), static_cast<int>(kMagic.size())) != 1 ||
        EVP_DecryptUpdate(ctx.get(), Bytes(plain), &written, cipher, static_cast<int>(size)) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), Bytes(plain) + written, &last) != 1 ||
        static_cast<std::size_t>(written + last) != size) {
        // The plaintext is written before the tag is checked: nothing
        // unauthenticated may stay behind in memory.
        OPENSSL_cleanse(plain.data(), plain.size());
        return std::nullopt;
    }
    return plain;
}

}  // namespace nimbral::platform
