#pragma once

/* The signing library's C interface. The library is a shared object loaded at run time: the
 * binding takes each entry point by its exported name with dlsym, so these names and signatures
 * are the contract between the two.
 *
 * Conventions
 * - Every operation that can fail returns 0 for success or an error code (EU_ERROR_*); code
 *   EU_WARNING_END_OF_ENUM (7) ends an enumeration. EUGetErrorLangDesc gives the code's
 *   description.
 * - Texts crossing the interface are 8-bit in Windows-1251 (file names, passwords, aliases,
 *   certificate fields, media names), zero-terminated. Booleans are int (0 false, else true).
 * - Memory the library hands out goes back through the free operation named with it.
 * - Settings (file store, CMP, TSP, OCSP, proxy, LDAP) are in force for the whole library until
 *   set again. Runtime parameters ("SignIncludeContentTimeStamp", "SignType") are kept per calling
 *   thread, so signers on different threads never see each other's parameters.
 */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KORVEL_SIGNLIB_BUILD)
#define EU_API __attribute__((visibility("default")))
#else
#define EU_API
#endif

#define EU_ERROR_NONE 0UL
#define EU_ERROR_UNKNOWN 1UL
#define EU_ERROR_NOT_INITIALIZED 2UL
#define EU_ERROR_BAD_PARAMETER 3UL
#define EU_ERROR_NOT_ENOUGH_MEMORY 4UL
#define EU_ERROR_FILE_NOT_FOUND 5UL
#define EU_ERROR_FILE_READ 6UL
#define EU_WARNING_END_OF_ENUM 7UL
#define EU_ERROR_BAD_PASSWORD 8UL
#define EU_ERROR_BAD_KEY_FORMAT 9UL
#define EU_ERROR_KEY_DAMAGED 10UL
#define EU_ERROR_CERT_NOT_FOUND 11UL
#define EU_ERROR_KEY_NOT_FOUND 12UL
#define EU_ERROR_BAD_SIGN_TYPE 13UL
#define EU_ERROR_SIGN_TYPE_NOT_SUPPORTED 14UL
#define EU_ERROR_TSP_SERVER 15UL
#define EU_ERROR_TSP_RESPONSE 16UL
#define EU_ERROR_SIGN 17UL
#define EU_ERROR_BAD_HASH 18UL
#define EU_ERROR_BAD_RUNTIME_PARAMETER 19UL
#define EU_ERROR_MEDIA 20UL
#define EU_ERROR_MEDIA_LOGIN 21UL
#define EU_ERROR_JKS_FORMAT 22UL
#define EU_ERROR_JKS_ALIAS_NOT_FOUND 23UL

/* Language of EUGetErrorLangDesc: 1 is Ukrainian. */
#define EU_LANG_UA 1UL

/* Signature algorithm code of EUCtxSignData / EUCtxSignHashValue. */
#define EU_SIGN_ALGO_DEFAULT 1UL

/* Signature type codes of the "SignType" runtime parameter. */
#define EU_SIGN_TYPE_CADES_BES 1UL
#define EU_SIGN_TYPE_CADES_T 4UL
#define EU_SIGN_TYPE_CADES_C 8UL
#define EU_SIGN_TYPE_CADES_X_LONG 16UL

/* Size of the buffers that the media enumerations fill, terminating zero included. */
#define EU_MEDIA_NAME_SIZE 258

/* Size of the password field of EU_KEY_MEDIA, terminating zero included. */
#define EU_KEY_MEDIA_PASSWORD_SIZE 65

typedef struct {
    unsigned short wYear;
    unsigned short wMonth;
    unsigned short wDayOfWeek;
    unsigned short wDay;
    unsigned short wHour;
    unsigned short wMinute;
    unsigned short wSecond;
    unsigned short wMilliseconds;
} EU_TIME; /* UTC */

/* The key on a media device: the media type (a PKCS#11 module), the device (a token) and the
 * password (the PIN), at most 64 bytes. */
typedef struct {
    unsigned long dwTypeIndex;
    unsigned long dwDevIndex;
    char szPassword[EU_KEY_MEDIA_PASSWORD_SIZE];
} EU_KEY_MEDIA;

/* Owner of a key, as read with the key. Freed with EUCtxFreeCertOwnerInfo. */
typedef struct {
    int bFilled;
    char* pszIssuer;
    char* pszIssuerCN;
    char* pszSerial;
    char* pszSubject;
    char* pszSubjCN;
    char* pszSubjOrg;
    char* pszSubjFullName;
    char* pszSubjDRFOCode;
    char* pszSubjEDRPOUCode;
} EU_CERT_OWNER_INFO;

/* A certificate of a key. Freed with EUCtxFreeCertificateInfoEx. */
typedef struct {
    int bFilled;
    char* pszIssuer;
    char* pszIssuerCN;
    char* pszSerial; /* upper-case hexadecimal, as certificate serials are shown */
    char* pszSubject;
    char* pszSubjCN;
    char* pszSubjOrg;
    char* pszSubjFullName;
    char* pszSubjDRFOCode;
    char* pszSubjEDRPOUCode;
    EU_TIME stCertBeginTime;
    EU_TIME stCertEndTime;
} EU_CERT_INFO_EX;

/* Lifecycle and modes. */
EU_API unsigned long EUInitialize(void);
EU_API void EUFinalize(void);
EU_API unsigned long EUGetModeSettings(int* pbOfflineMode);
EU_API unsigned long EUSetModeSettings(int bOfflineMode);
EU_API void EUSetUIMode(int bUIMode);
EU_API const char* EUGetErrorLangDesc(unsigned long dwError, unsigned long dwLang);

/* Key media: PKCS#11 modules are the types, their tokens the devices. pszName receives
 * EU_MEDIA_NAME_SIZE bytes at most. */
EU_API unsigned long EUEnumKeyMediaTypes(unsigned long dwTypeIndex, char* pszTypeName);
EU_API unsigned long EUEnumKeyMediaDevices(unsigned long dwTypeIndex, unsigned long dwDeviceIndex, char* pszDeviceName);

/* Settings in force for the whole library. */
EU_API unsigned long EUSetFileStoreSettings(const char* pszPath, int bCheckCRLs, int bAutoRefresh, int bOwnCRLsOnly,
                                            int bFullAndDeltaCRLs, int bAutoDownloadCRLs, int bSaveLoadedCerts,
                                            unsigned long dwExpireTime);
EU_API unsigned long EUSetCMPSettings(int bUseCMP, const char* pszAddress, const char* pszPort,
                                      const char* pszCommonName);
EU_API unsigned long EUSetTSPSettings(int bGetStamps, const char* pszAddress, const char* pszPort);
EU_API unsigned long EUSetOCSPSettings(int bUseOCSP, int bBeforeStore, const char* pszAddress, const char* pszPort);
EU_API unsigned long EUSetProxySettings(int bUseProxy, int bAnonymous, const char* pszAddress, const char* pszPort,
                                        const char* pszUser, const char* pszPassword, int bSavePassword);
EU_API unsigned long EUSetLDAPSettings(int bUseLDAP, const char* pszAddress, const char* pszPort, int bAnonymous,
                                       const char* pszUser, const char* pszPassword);

/* Runtime parameters of the calling thread: "SignIncludeContentTimeStamp" (int, 4 bytes) and
 * "SignType" (unsigned 32-bit, 4 bytes). */
EU_API unsigned long EUSetRuntimeParameter(const char* pszName, const void* pvValue, unsigned long dwValueLength);

/* Contexts: one library context per signer, a private-key context per key read. */
EU_API unsigned long EUCtxCreate(void** ppvContext);
EU_API void EUCtxFree(void* pvContext);
EU_API unsigned long EUCtxReadPrivateKeyFile(void* pvContext, const char* pszFileName, const char* pszPassword,
                                             void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO* pInfo);
EU_API unsigned long EUCtxReadPrivateKeyBinary(void* pvContext, const unsigned char* pbPrivateKey,
                                               unsigned long dwPrivateKeyLength, const char* pszPassword,
                                               void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO* pInfo);
EU_API unsigned long EUCtxReadPrivateKey(void* pvContext, const EU_KEY_MEDIA* pKeyMedia, void** ppvPrivateKeyContext,
                                         EU_CERT_OWNER_INFO* pInfo);
EU_API void EUCtxFreePrivateKey(void* pvPrivateKeyContext);
EU_API void EUCtxFreeCertOwnerInfo(void* pvContext, EU_CERT_OWNER_INFO* pInfo);

/* The certificates of a read key; index 0 is the key's own. */
EU_API unsigned long EUCtxEnumOwnCertificates(void* pvPrivateKeyContext, unsigned long dwIndex,
                                              EU_CERT_INFO_EX** ppInfo, unsigned char** ppbCertificate,
                                              unsigned long* pdwCertificateLength);
EU_API void EUCtxFreeCertificateInfoEx(void* pvPrivateKeyContext, EU_CERT_INFO_EX* pInfo);
EU_API void EUCtxFreeMemory(void* pvContext, unsigned char* pbMemory);

/* JKS containers: private-key aliases (freed with EUFreeMemory), and the key bytes of an alias
 * (freed with EUFreeMemory), which EUCtxReadPrivateKeyBinary opens with the key password. The
 * certificate outputs are optional (NULL), all three or none: the certificate pointers and the
 * certificates' bytes are one block and the lengths another, each freed with one EUFreeMemory. */
EU_API unsigned long EUEnumJKSPrivateKeysFile(const char* pszFileName, unsigned long dwKeyIndex, char** ppszKeyAlias);
EU_API unsigned long EUGetJKSPrivateKeyFile(const char* pszFileName, const char* pszKeyAlias,
                                            unsigned char** ppbPrivateKey, unsigned long* pdwPrivateKeyLength,
                                            unsigned long* pdwCertificatesCount, unsigned char*** pppbCertificates,
                                            unsigned long** ppdwCertificateLengths);

/* Signing. Data: CMS SignedData with the content inside (bExternal false) or detached, the
 * signer's certificate included when bAppendCert. Hash: the SHA-256 value to sign. The signature
 * type and content time-stamp flag come from the calling thread's runtime parameters. The
 * signature is freed with EUCtxFreeMemory. */
EU_API unsigned long EUCtxSignData(void* pvPrivateKeyContext, unsigned long dwSignAlgo, const unsigned char* pbData,
                                   unsigned long dwDataLength, int bExternal, int bAppendCert, unsigned char** ppbSign,
                                   unsigned long* pdwSignLength);
EU_API unsigned long EUCtxSignHashValue(void* pvPrivateKeyContext, unsigned long dwSignAlgo,
                                        const unsigned char* pbHash, unsigned long dwHashLength, int bAppendCert,
                                        unsigned char** ppbSign, unsigned long* pdwSignLength);

/* Base64 (standard alphabet, "=" padding, one line) of bytes; freed with EUFreeMemory. */
EU_API unsigned long EUBASE64Encode(const unsigned char* pbData, unsigned long dwDataLength, char** ppszData);
EU_API void EUFreeMemory(void* pvMemory);

#ifdef __cplusplus
}
#endif
