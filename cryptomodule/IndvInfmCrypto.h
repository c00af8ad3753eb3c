#ifndef INDVINFMCRYPTO_H
#define INDVINFMCRYPTO_H
/*
 * IndvInfmCrypto: the personal-information crypto module.
 *
 * A shared library loaded at run time by file name ("IndvInfmCrypto" with the
 * platform's suffix). It exports exactly the twelve entry points below, in C
 * linkage; on 32-bit Windows they use stdcall with undecorated names, elsewhere
 * the plain C ABI.
 *
 * Texts in either direction are NUL-terminated byte strings (the caller's ANSI
 * code page; the module treats them as opaque bytes). Other data travels as a
 * pointer and a 32-bit byte count.
 *
 * Cipher: AES-256-SIV (RFC 5297, deterministic, authenticated), keyed through
 * PBKDF2-HMAC-SHA256 of the password (fixed salt, IIC_KDF_ITERATIONS rounds).
 * Before encryption the plaintext is compacted losslessly: one header byte,
 * then either the whole plaintext (header 0) or, when it has an even length
 * and its second half is all zero bytes, only its first half (header 1).
 * Ciphertext = 16-byte SIV tag followed by the encrypted compacted plaintext.
 * A wrong password or an altered ciphertext is always reported as
 * IIC_ERR_AUTHENTICATION, never answered with garbage.
 *
 * Stored values must fit columns of 50 characters (base64 + a 2-character
 * version), so encryptDataWithKey refuses (IIC_ERR_INPUT_TOO_LONG) any input
 * whose ciphertext would need more than IIC_MAX_BASE64_CHARS base64
 * characters: at most IIC_MAX_CIPHERTEXT_BYTES bytes of ciphertext, that is at
 * most 20 compacted bytes (19 characters followed by as many zero bytes, or
 * 19 bytes of arbitrary data).
 *
 * Base64: RFC 4648 standard alphabet with padding; decoding is strict (length
 * a multiple of 4, only alphabet characters, '=' only as final padding, pad
 * bits zero).
 *
 * Buffers: every entry point that hands out a pointer has its own buffer in
 * the context; a pointer stays valid until the next call of the same entry
 * point on the same context, or until release. Binary outputs carry one
 * trailing NUL byte beyond the reported count. The caller never frees them.
 *
 * Passwords: each context keeps a small cache of derived keys (least recently
 * used is evicted and wiped), so setting a recently used password again costs
 * no derivation. Key material is wiped at release.
 *
 * Error reporting: every entry point returns IIC_OK (0) or an error code
 * below. The code and message of the last failed call stay available through
 * getErrorCode (whatever its second argument) and getErrorMessage until the
 * next failure. Messages are ASCII.
 *
 * A context is used by one thread at a time; separate contexts are
 * independent.
 */
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define IIC_CALL __stdcall
#else
#define IIC_CALL
#endif

/* Exported when building the module itself (IIC_BUILDING_MODULE); plain
   declarations for a caller that includes this header for the types. On
   Windows the module's .def file alone names the exports: dllexport would
   add the decorated "name@N" of each stdcall entry point beside its plain
   name. */
#if !defined(IIC_BUILDING_MODULE) || defined(_WIN32)
#define IIC_EXPORT
#else
#define IIC_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* IIC_CONTEXT;

/* Error codes. */
enum {
  IIC_OK = 0,
  IIC_ERR_INVALID_ARGUMENT = 1001,   /* null pointer, negative count, no context */
  IIC_ERR_NO_PASSWORD = 1002,        /* encrypt/decrypt before setEncryptionPassword */
  IIC_ERR_INPUT_TOO_LONG = 1003,     /* ciphertext would exceed IIC_MAX_BASE64_CHARS in base64 */
  IIC_ERR_BASE64 = 1004,             /* malformed base64 text */
  IIC_ERR_CIPHERTEXT_MALFORMED = 1005, /* too short, or bad header after authentication */
  IIC_ERR_AUTHENTICATION = 1006,     /* wrong password or altered ciphertext */
  IIC_ERR_NOT_SUPPORTED = 1007,      /* certificate entry points */
  IIC_ERR_CRYPTO_LIBRARY = 1008,     /* the cipher library failed */
  IIC_ERR_OUT_OF_MEMORY = 1009
};

#define IIC_KDF_ITERATIONS 600000
#define IIC_TAG_BYTES 16
#define IIC_MAX_BASE64_CHARS 48
#define IIC_MAX_CIPHERTEXT_BYTES 36 /* 48 base64 characters */
#define IIC_MAX_COMPACT_BYTES (IIC_MAX_CIPHERTEXT_BYTES - IIC_TAG_BYTES) /* header + data */

/* The twelve entry points, in binding order. */

/* Creates a context into *context. 0: success. */
IIC_EXPORT int32_t IIC_CALL initialize(IIC_CONTEXT* context);
/* Wipes and frees *context and sets it to null. Null or already released: no effect. */
IIC_EXPORT int32_t IIC_CALL release(IIC_CONTEXT* context);
/* The code of the last failed call on the context (0 when none); the second
   argument is ignored. With a null context: IIC_ERR_INVALID_ARGUMENT. */
IIC_EXPORT int32_t IIC_CALL getErrorCode(IIC_CONTEXT context, int32_t reserved);
/* *message := the message of the last failed call ("" when none). */
IIC_EXPORT int32_t IIC_CALL getErrorMessage(IIC_CONTEXT context, const char** message);
/* *text := base64 of the count bytes at data. */
IIC_EXPORT int32_t IIC_CALL encodeBase64(IIC_CONTEXT context, const unsigned char* data, int32_t count,
                                         const char** text);
/* *data, *count := the bytes that the base64 text stands for. On failure
   both are set to an empty buffer (count 0). */
IIC_EXPORT int32_t IIC_CALL decodeBase64(IIC_CONTEXT context, const char* text, const unsigned char** data,
                                         int32_t* count);
/* *out, *outCount := ciphertext of the plaintext under the current password. */
IIC_EXPORT int32_t IIC_CALL encryptDataWithKey(IIC_CONTEXT context, const unsigned char* plain, int32_t count,
                                               const unsigned char** out, int32_t* outCount);
/* *out, *outCount := plaintext of the ciphertext under the current password.
   On failure both are set to an empty buffer (count 0). */
IIC_EXPORT int32_t IIC_CALL decryptDataWithKey(IIC_CONTEXT context, const unsigned char* cipher, int32_t count,
                                               const unsigned char** out, int32_t* outCount);
/* Not supported: always IIC_ERR_NOT_SUPPORTED. */
IIC_EXPORT int32_t IIC_CALL encryptDataWithCert(IIC_CONTEXT context, const unsigned char* plain, int32_t count,
                                                const unsigned char** out, int32_t* outCount);
IIC_EXPORT int32_t IIC_CALL decryptDataWithCert(IIC_CONTEXT context, const unsigned char* cipher, int32_t count,
                                                const unsigned char** out, int32_t* outCount);
/* The password (any NUL-terminated text, the empty one included) that keys the
   encryptions and decryptions that follow. */
IIC_EXPORT int32_t IIC_CALL setEncryptionPassword(IIC_CONTEXT context, const char* password);
/* Not supported: always IIC_ERR_NOT_SUPPORTED. */
IIC_EXPORT int32_t IIC_CALL setCertViewPolicy(IIC_CONTEXT context, int32_t policy);

/* Pointer types of the entry points, for callers that bind them by name. */
typedef int32_t(IIC_CALL* IIC_initialize_fn)(IIC_CONTEXT*);
typedef int32_t(IIC_CALL* IIC_release_fn)(IIC_CONTEXT*);
typedef int32_t(IIC_CALL* IIC_getErrorCode_fn)(IIC_CONTEXT, int32_t);
typedef int32_t(IIC_CALL* IIC_getErrorMessage_fn)(IIC_CONTEXT, const char**);
typedef int32_t(IIC_CALL* IIC_encodeBase64_fn)(IIC_CONTEXT, const unsigned char*, int32_t, const char**);
typedef int32_t(IIC_CALL* IIC_decodeBase64_fn)(IIC_CONTEXT, const char*, const unsigned char**, int32_t*);
typedef int32_t(IIC_CALL* IIC_encryptDataWithKey_fn)(IIC_CONTEXT, const unsigned char*, int32_t,
                                                     const unsigned char**, int32_t*);
typedef int32_t(IIC_CALL* IIC_decryptDataWithKey_fn)(IIC_CONTEXT, const unsigned char*, int32_t,
                                                     const unsigned char**, int32_t*);
typedef int32_t(IIC_CALL* IIC_encryptDataWithCert_fn)(IIC_CONTEXT, const unsigned char*, int32_t,
                                                      const unsigned char**, int32_t*);
typedef int32_t(IIC_CALL* IIC_decryptDataWithCert_fn)(IIC_CONTEXT, const unsigned char*, int32_t,
                                                      const unsigned char**, int32_t*);
typedef int32_t(IIC_CALL* IIC_setEncryptionPassword_fn)(IIC_CONTEXT, const char*);
typedef int32_t(IIC_CALL* IIC_setCertViewPolicy_fn)(IIC_CONTEXT, int32_t);

#ifdef __cplusplus
}
#endif

#endif /* INDVINFMCRYPTO_H */
