/*
 * nimbral_crypto: seals and opens files and memory buffers with AES-256-GCM
 * under a key bound to this machine, so that what one machine seals only the
 * same machine can open again.
 *
 * Container ("NBSC", version 1), for files and buffers alike, n >= 1:
 *   offset 0       4 bytes   magic "NBSC"
 *   offset 4       1 byte    format version, 1
 *   offset 5       16 bytes  salt (random, new for every container)
 *   offset 21      12 bytes  nonce (random, new for every container)
 *   offset 33      n bytes   ciphertext
 *   offset 33 + n  16 bytes  authentication tag
 * A container is n + 49 bytes long.
 *
 * Every function returns 0 on success and a negative code otherwise. The codes
 * belong to each function; they are listed below in the order in which the
 * conditions are checked, so the first condition that holds decides the code.
 * The library keeps no state between calls, needs no initialisation, never
 * logs, and every function may be called from any number of threads at once.
 * On failure the caller's memory is left as it was unless a code says
 * otherwise.
 */
#ifndef NIMBRAL_CRYPTO_H
#define NIMBRAL_CRYPTO_H

#if defined(_WIN32)
#  define NIMBRAL_CRYPTO_CALL __stdcall
#  if defined(NIMBRAL_CRYPTO_BUILDING)
#    define NIMBRAL_CRYPTO_API __declspec(dllexport)
#  else
#    define NIMBRAL_CRYPTO_API __declspec(dllimport)
#  endif
#else
#  define NIMBRAL_CRYPTO_CALL
#  define NIMBRAL_CRYPTO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Writes the 32-byte machine key (SHA-256 of this machine's identity string)
 * to Out. OutLen is the capacity of Out; exactly 32 bytes are written.
 *   -1  Out is null or OutLen is less than 32,
 *       or the SHA-256 provider cannot be opened
 *   -2  the hash object cannot be created or used
 *    0  success
 */
NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DeriveKey(unsigned char* Out, int OutLen);

/*
 * Seals Size bytes at Data into a new container file at Path (created, or
 * replaced when it exists). Path is a zero-terminated narrow string.
 *   -1  Data is null, Size is 0 or less, Path is null, or Size is larger
 *       than 2147483598 (the container would not fit a 32-bit length and
 *       could never be opened)
 *   -2  the machine key cannot be computed
 *   -7  the random source failed to supply salt or nonce
 *   -3  the container key cannot be derived
 *   -4  the ciphertext buffer cannot be allocated
 *   -5  encryption failed
 *   -6  Path cannot be opened for writing, or writing or closing the file
 *       failed; a partly written regular file is removed
 *    0  success: the file holds one container of Size + 49 bytes
 * No file is created or touched for codes -1 to -5 and -7.
 */
NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_EncryptFile(const char* Path, const unsigned char* Data,
                                                               int Size);

/*
 * Opens the container file at Path. On success *OutData points to a new
 * buffer of *OutSize bytes (the file length - 49) that the caller releases
 * with Nimbral_Free.
 *   -1  OutData is null, OutSize is null, or Path is null
 *   -2  Path cannot be opened for reading
 *   -3  the file length is 49 bytes or less, does not fit a 32-bit signed
 *       length, or the file could not be read to its end
 *   -4  the first four bytes are not "NBSC"
 *   -5  the version byte is not 1
 *   -6  the ciphertext buffer cannot be allocated
 *   -7  the machine key cannot be computed
 *   -8  the container key cannot be derived
 *   -9  the plaintext buffer cannot be allocated
 *  -10  decryption failed or the tag did not match (another machine, an
 *       altered or a truncated container)
 *    0  success
 * On failure *OutData and *OutSize are left untouched.
 */
NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DecryptFile(const char* Path, unsigned char** OutData,
                                                               int* OutSize);

/*
 * Seals SrcLen bytes at Src into Out, whose capacity is *OutLen on entry.
 * Src and Out must not overlap.
 *   -1  Src is null, SrcLen is 0 or less, Out is null, OutLen is null, or
 *       SrcLen is larger than 2147483598
 *   -2  *OutLen is less than SrcLen + 49; *OutLen is set to SrcLen + 49
 *   -3  the machine key cannot be computed
 *   -6  the random source failed to supply salt or nonce
 *   -4  the container key cannot be derived
 *   -5  encryption failed; the 33-byte header has been written to Out
 *    0  success: Out holds the container, *OutLen = SrcLen + 49
 */
NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_EncryptBuffer(const unsigned char* Src, int SrcLen,
                                                                 unsigned char* Out, int* OutLen);

/*
 * Opens the container of InLen bytes at In into Out, whose capacity is
 * *OutLen on entry.
 *   -1  In is null, InLen is 49 or less, Out is null, or OutLen is null
 *   -2  the first four bytes are not "NBSC"
 *   -3  the version byte is not 1
 *   -4  *OutLen is less than InLen - 49; *OutLen is set to InLen - 49
 *   -5  the machine key cannot be computed
 *   -6  the container key cannot be derived
 *   -7  decryption failed or the tag did not match; the content of Out is
 *       undefined and must not be used
 *    0  success: Out holds InLen - 49 bytes, *OutLen = InLen - 49
 */
NIMBRAL_CRYPTO_API int NIMBRAL_CRYPTO_CALL Nimbral_DecryptBuffer(const unsigned char* In, int InLen,
                                                                 unsigned char* Out, int* OutLen);

/*
 * Releases a buffer returned by Nimbral_DecryptFile; null does nothing.
 * Give it no other memory.
 */
NIMBRAL_CRYPTO_API void NIMBRAL_CRYPTO_CALL Nimbral_Free(unsigned char* P);

#ifdef __cplusplus
}
#endif

#endif
