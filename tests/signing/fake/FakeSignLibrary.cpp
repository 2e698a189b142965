// A stand-in for the signing library in the signer's tests: every entry point of SignLibrary.h,
// each recording its call and answering as the script says. Built without one entry point as a
// second library, for the binding's "entry point missing" case.

#include "signing/fake/FakeSignLibraryScript.h"
#include "signlib/SignLibrary.h"

#include <cstring>
#include <initializer_list>
#include <string>

using korvel::test::TFakeSignLibraryScript;

namespace {

TFakeSignLibraryScript& Script()
{
    static TFakeSignLibraryScript script;
    return script;
}

std::string Text(const char* AText)
{
    return AText ? AText : "<null>";
}

std::string Number(unsigned long AValue)
{
    return std::to_string(AValue);
}

unsigned long Record(const std::string& AName, std::initializer_list<std::string> AArgs)
{
    auto& script = Script();
    std::lock_guard lock(script.Lock);
    script.Calls.push_back({AName, AArgs});
    const auto result = script.Results.find(AName);
    return result == script.Results.end() ? EU_ERROR_NONE : result->second;
}

unsigned long EnumName(const std::vector<std::string>& ANames, unsigned long AIndex, char* AName)
{
    auto& script = Script();
    std::lock_guard lock(script.Lock);
    if (AIndex < ANames.size()) {
        std::strncpy(AName, ANames[AIndex].c_str(), EU_MEDIA_NAME_SIZE - 1);
        AName[EU_MEDIA_NAME_SIZE - 1] = '\0';
        return EU_ERROR_NONE;
    }
    return script.EnumFailure ? script.EnumFailure : EU_WARNING_END_OF_ENUM;
}

int FakeContext;
int FakeKey;

}  // namespace

#define FAKE_EXPORT __attribute__((visibility("default")))

extern "C" {

FAKE_EXPORT TFakeSignLibraryScript* FakeSignLibraryScript()
{
    return &Script();
}

FAKE_EXPORT unsigned long EUInitialize(void)
{
    Record("EUInitialize", {});
    return Script().InitializeResult;
}

FAKE_EXPORT void EUFinalize(void)
{
    Record("EUFinalize", {});
}

FAKE_EXPORT unsigned long EUGetModeSettings(int* pbOfflineMode)
{
    Record("EUGetModeSettings", {});
    *pbOfflineMode = Script().OfflineMode;
    return Script().GetModeSettingsResult;
}

FAKE_EXPORT unsigned long EUSetModeSettings(int bOfflineMode)
{
    return Record("EUSetModeSettings", {Number(bOfflineMode)});
}

FAKE_EXPORT void EUSetUIMode(int bUIMode)
{
    Record("EUSetUIMode", {Number(bUIMode)});
}

FAKE_EXPORT const char* EUGetErrorLangDesc(unsigned long dwError, unsigned long dwLang)
{
    Record("EUGetErrorLangDesc", {Number(dwError), Number(dwLang)});
    return Script().ErrorDescription.c_str();
}

FAKE_EXPORT unsigned long EUEnumKeyMediaTypes(unsigned long dwTypeIndex, char* pszTypeName)
{
    Record("EUEnumKeyMediaTypes", {Number(dwTypeIndex)});
    return EnumName(Script().MediaTypes, dwTypeIndex, pszTypeName);
}

FAKE_EXPORT unsigned long EUEnumKeyMediaDevices(unsigned long dwTypeIndex, unsigned long dwDeviceIndex,
                                                char* pszDeviceName)
{
    Record("EUEnumKeyMediaDevices", {Number(dwTypeIndex), Number(dwDeviceIndex)});
    return EnumName(Script().MediaDevices, dwDeviceIndex, pszDeviceName);
}

FAKE_EXPORT unsigned long EUSetFileStoreSettings(const char* pszPath, int bCheckCRLs, int bAutoRefresh,
                                                 int bOwnCRLsOnly, int bFullAndDeltaCRLs, int bAutoDownloadCRLs,
                                                 int bSaveLoadedCerts, unsigned long dwExpireTime)
{
    return Record("EUSetFileStoreSettings", {Text(pszPath), Number(bCheckCRLs), Number(bAutoRefresh),
                                             Number(bOwnCRLsOnly), Number(bFullAndDeltaCRLs), Number(bAutoDownloadCRLs),
                                             Number(bSaveLoadedCerts), Number(dwExpireTime)});
}

FAKE_EXPORT unsigned long EUSetCMPSettings(int bUseCMP, const char* pszAddress, const char* pszPort,
                                           const char* pszCommonName)
{
    return Record("EUSetCMPSettings", {Number(bUseCMP), Text(pszAddress), Text(pszPort), Text(pszCommonName)});
}

FAKE_EXPORT unsigned long EUSetTSPSettings(int bGetStamps, const char* pszAddress, const char* pszPort)
{
    return Record("EUSetTSPSettings", {Number(bGetStamps), Text(pszAddress), Text(pszPort)});
}

FAKE_EXPORT unsigned long EUSetOCSPSettings(int bUseOCSP, int bBeforeStore, const char* pszAddress, const char* pszPort)
{
    return Record("EUSetOCSPSettings", {Number(bUseOCSP), Number(bBeforeStore), Text(pszAddress), Text(pszPort)});
}

FAKE_EXPORT unsigned long EUSetProxySettings(int bUseProxy, int bAnonymous, const char* pszAddress, const char* pszPort,
                                             const char* pszUser, const char* pszPassword, int bSavePassword)
{
    return Record("EUSetProxySettings", {Number(bUseProxy), Number(bAnonymous), Text(pszAddress), Text(pszPort),
                                         Text(pszUser), Text(pszPassword), Number(bSavePassword)});
}

FAKE_EXPORT unsigned long EUSetLDAPSettings(int bUseLDAP, const char* pszAddress, const char* pszPort, int bAnonymous,
                                            const char* pszUser, const char* pszPassword)
{
    return Record("EUSetLDAPSettings", {Number(bUseLDAP), Text(pszAddress), Text(pszPort), Number(bAnonymous),
                                        Text(pszUser), Text(pszPassword)});
}

FAKE_EXPORT unsigned long EUSetRuntimeParameter(const char* pszName, const void*, unsigned long dwValueLength)
{
    return Record("EUSetRuntimeParameter", {Text(pszName), Number(dwValueLength)});
}

FAKE_EXPORT unsigned long EUCtxCreate(void** ppvContext)
{
    *ppvContext = &FakeContext;
    return Record("EUCtxCreate", {});
}

FAKE_EXPORT void EUCtxFree(void* pvContext)
{
    Record("EUCtxFree", {pvContext == &FakeContext ? "context" : "other"});
}

FAKE_EXPORT unsigned long EUCtxReadPrivateKeyFile(void*, const char* pszFileName, const char* pszPassword,
                                                  void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO*)
{
    *ppvPrivateKeyContext = &FakeKey;
    return Record("EUCtxReadPrivateKeyFile", {Text(pszFileName), Text(pszPassword)});
}

FAKE_EXPORT unsigned long EUCtxReadPrivateKeyBinary(void*, const unsigned char*, unsigned long dwPrivateKeyLength,
                                                    const char* pszPassword, void** ppvPrivateKeyContext,
                                                    EU_CERT_OWNER_INFO*)
{
    *ppvPrivateKeyContext = &FakeKey;
    return Record("EUCtxReadPrivateKeyBinary", {Number(dwPrivateKeyLength), Text(pszPassword)});
}

FAKE_EXPORT unsigned long EUCtxReadPrivateKey(void*, const EU_KEY_MEDIA* pKeyMedia, void** ppvPrivateKeyContext,
                                              EU_CERT_OWNER_INFO*)
{
    *ppvPrivateKeyContext = &FakeKey;
    return Record("EUCtxReadPrivateKey",
                  {Number(pKeyMedia->dwTypeIndex), Number(pKeyMedia->dwDevIndex), Text(pKeyMedia->szPassword)});
}

FAKE_EXPORT void EUCtxFreePrivateKey(void* pvPrivateKeyContext)
{
    Record("EUCtxFreePrivateKey", {pvPrivateKeyContext == &FakeKey ? "key" : "other"});
}

FAKE_EXPORT void EUCtxFreeCertOwnerInfo(void*, EU_CERT_OWNER_INFO*)
{
    Record("EUCtxFreeCertOwnerInfo", {});
}

FAKE_EXPORT unsigned long EUCtxEnumOwnCertificates(void*, unsigned long dwIndex, EU_CERT_INFO_EX** ppInfo,
                                                   unsigned char** ppbCertificate, unsigned long* pdwCertificateLength)
{
    *ppInfo = nullptr;
    *ppbCertificate = nullptr;
    *pdwCertificateLength = 0;
    const unsigned long result = Record("EUCtxEnumOwnCertificates", {Number(dwIndex)});
    return result ? result : EU_WARNING_END_OF_ENUM;
}

FAKE_EXPORT void EUCtxFreeCertificateInfoEx(void*, EU_CERT_INFO_EX*)
{
    Record("EUCtxFreeCertificateInfoEx", {});
}

FAKE_EXPORT void EUCtxFreeMemory(void*, unsigned char*)
{
    Record("EUCtxFreeMemory", {});
}

FAKE_EXPORT unsigned long EUEnumJKSPrivateKeysFile(const char* pszFileName, unsigned long dwKeyIndex,
                                                   char** ppszKeyAlias)
{
    *ppszKeyAlias = nullptr;
    const unsigned long result = Record("EUEnumJKSPrivateKeysFile", {Text(pszFileName), Number(dwKeyIndex)});
    return result ? result : EU_WARNING_END_OF_ENUM;
}

FAKE_EXPORT unsigned long EUGetJKSPrivateKeyFile(const char* pszFileName, const char* pszKeyAlias,
                                                 unsigned char** ppbPrivateKey, unsigned long* pdwPrivateKeyLength,
                                                 unsigned long*, unsigned char***, unsigned long**)
{
    *ppbPrivateKey = nullptr;
    *pdwPrivateKeyLength = 0;
    const unsigned long result = Record("EUGetJKSPrivateKeyFile", {Text(pszFileName), Text(pszKeyAlias)});
    return result ? result : EU_ERROR_JKS_ALIAS_NOT_FOUND;
}

FAKE_EXPORT unsigned long EUCtxSignData(void*, unsigned long dwSignAlgo, const unsigned char*,
                                        unsigned long dwDataLength, int bExternal, int bAppendCert,
                                        unsigned char** ppbSign, unsigned long* pdwSignLength)
{
    *ppbSign = nullptr;
    *pdwSignLength = 0;
    const unsigned long result =
        Record("EUCtxSignData", {Number(dwSignAlgo), Number(dwDataLength), Number(bExternal), Number(bAppendCert)});
    return result ? result : EU_ERROR_SIGN;
}

FAKE_EXPORT unsigned long EUCtxSignHashValue(void*, unsigned long dwSignAlgo, const unsigned char*,
                                             unsigned long dwHashLength, int bAppendCert, unsigned char** ppbSign,
                                             unsigned long* pdwSignLength)
{
    *ppbSign = nullptr;
    *pdwSignLength = 0;
    const unsigned long result =
        Record("EUCtxSignHashValue", {Number(dwSignAlgo), Number(dwHashLength), Number(bAppendCert)});
    return result ? result : EU_ERROR_SIGN;
}

FAKE_EXPORT unsigned long EUBASE64Encode(const unsigned char*, unsigned long dwDataLength, char** ppszData)
{
    *ppszData = nullptr;
    const unsigned long result = Record("EUBASE64Encode", {Number(dwDataLength)});
    return result ? result : EU_ERROR_BAD_PARAMETER;
}

#ifndef FAKE_SIGNLIB_INCOMPLETE
FAKE_EXPORT void EUFreeMemory(void*)
{
    Record("EUFreeMemory", {});
}
#endif

}  // extern "C"
