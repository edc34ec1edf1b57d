// The six exported functions: argument checks live in the container layer, so
// each export only binds it to this machine's identity and random source.
#include "nimbral_crypto.h"

#include "Container.h"

#include <cstdlib>

using namespace nimbral::crypto;

extern "C" {

NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DeriveKey(unsigned char* Out, int OutLen) {
    if (Out == nullptr || OutLen < static_cast<int>(kKeySize)) return -1;
    return get_machine_key(kSystemSources, Out);
}

NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_EncryptFile(const char* Path, const unsigned char* Data, int Size) {
    return seal_file(kSystemSources, Path, Data, Size);
}

NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DecryptFile(const char* Path, unsigned char** OutData,
                                                               int* OutSize) {
    return open_file(kSystemSources, Path, OutData, OutSize);
}

NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_EncryptBuffer(const unsigned char* Src, int SrcLen,
                                                                 unsigned char* Out, int* OutLen) {
    return seal_buffer(kSystemSources, Src, SrcLen, Out, OutLen);
}

NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DecryptBuffer(const unsigned char* In, int InLen,
                                                                 unsigned char* Out, int* OutLen) {
    return open_buffer(kSystemSources, In, InLen, Out, OutLen);
}

NIMBRAL_CRYPTO_API void NIMBRAL_CRYPTO_CALL Nimbral_Free(unsigned char* P) { std::free(P); }

}  // extern "C"
