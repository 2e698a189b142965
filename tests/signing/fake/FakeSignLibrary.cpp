// A stand-in for the signing library in the signer's tests: every entry point of SignLibrary.h,
// each recording its call and answering as the script says. Built without one entry point as a
// second library, for the binding's "entry point missing" case.

#include "signing/fake/FakeSignLibraryScript.h"
#include "signlib/SignLibrary.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>

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

// A zero-terminated copy in memory of its own, counted until it is given back.
char* Hand(const std::string& ABytes)
{
    auto* block = static_cast<char*>(std::malloc(ABytes.size() + 1));
    std::memcpy(block, ABytes.data(), ABytes.size());
    block[ABytes.size()] = '\0';
    std::lock_guard lock(Script().Lock);
    ++Script().Outstanding;
    return block;
}

void GiveBack(void* ABlock)
{
    if (!ABlock)
        return;
    std::free(ABlock);
    std::lock_guard lock(Script().Lock);
    --Script().Outstanding;
}

std::string Bytes(const unsigned char* AData, unsigned long ALength)
{
    return AData ? std::string(reinterpret_cast<const char*>(AData), ALength) : "<null>";
}

// The certificate record with its texts in one counted block.
EU_CERT_INFO_EX* HandCertificateInfo(const korvel::test::TFakeCertificate& ACertificate)
{
    auto* info = static_cast<EU_CERT_INFO_EX*>(std::calloc(1, sizeof(EU_CERT_INFO_EX)));
    info->bFilled = 1;
    info->pszSerial = strdup(ACertificate.Serial.c_str());
    info->pszSubjFullName = strdup(ACertificate.SubjFullName.c_str());
    info->pszSubjOrg = strdup(ACertificate.SubjOrg.c_str());
    info->pszSubjDRFOCode = strdup(ACertificate.SubjDRFOCode.c_str());
    info->pszSubjEDRPOUCode = strdup(ACertificate.SubjEDRPOUCode.c_str());
    info->stCertEndTime = ACertificate.EndTime;
    std::lock_guard lock(Script().Lock);
    ++Script().Outstanding;
    return info;
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

FAKE_EXPORT unsigned long EUSetRuntimeParameter(const char* pszName, const void* pvValue, unsigned long dwValueLength)
{
    std::uint32_t value = 0;
    if (pvValue && dwValueLength == sizeof value)
        std::memcpy(&value, pvValue, sizeof value);
    const unsigned long result = Record("EUSetRuntimeParameter", {Text(pszName), Number(value), Number(dwValueLength)});
    // A refusal of one parameter by name: "EUSetRuntimeParameter:SignType".
    std::lock_guard lock(Script().Lock);
    const auto named = Script().Results.find("EUSetRuntimeParameter:" + Text(pszName));
    return named == Script().Results.end() ? result : named->second;
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

FAKE_EXPORT unsigned long EUCtxReadPrivateKeyBinary(void*, const unsigned char* pbPrivateKey,
                                                    unsigned long dwPrivateKeyLength, const char* pszPassword,
                                                    void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO*)
{
    *ppvPrivateKeyContext = &FakeKey;
    return Record("EUCtxReadPrivateKeyBinary", {Bytes(pbPrivateKey, dwPrivateKeyLength), Text(pszPassword)});
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
    const auto certificate = [] {
        std::lock_guard lock(Script().Lock);
        return Script().OwnCertificate;
    }();
    if (result)
        return result;
    if (dwIndex > 0 || !certificate)
        return EU_WARNING_END_OF_ENUM;
    *ppInfo = HandCertificateInfo(*certificate);
    *ppbCertificate = reinterpret_cast<unsigned char*>(Hand("certificate"));
    *pdwCertificateLength = 11;
    return EU_ERROR_NONE;
}

FAKE_EXPORT void EUCtxFreeCertificateInfoEx(void*, EU_CERT_INFO_EX* pInfo)
{
    Record("EUCtxFreeCertificateInfoEx", {});
    if (!pInfo)
        return;
    for (char* text : {pInfo->pszSerial, pInfo->pszSubjFullName, pInfo->pszSubjOrg, pInfo->pszSubjDRFOCode,
                       pInfo->pszSubjEDRPOUCode})
        std::free(text);
    GiveBack(pInfo);
}

FAKE_EXPORT void EUCtxFreeMemory(void*, unsigned char* pbMemory)
{
    Record("EUCtxFreeMemory", {});
    GiveBack(pbMemory);
}

FAKE_EXPORT unsigned long EUEnumJKSPrivateKeysFile(const char* pszFileName, unsigned long dwKeyIndex,
                                                   char** ppszKeyAlias)
{
    *ppszKeyAlias = nullptr;
    const unsigned long result = Record("EUEnumJKSPrivateKeysFile", {Text(pszFileName), Number(dwKeyIndex)});
    if (result)
        return result;
    std::string alias;
    {
        auto& script = Script();
        std::lock_guard lock(script.Lock);
        if (dwKeyIndex >= script.JksAliases.size())
            return script.JksEnumFailure ? script.JksEnumFailure : EU_WARNING_END_OF_ENUM;
        alias = script.JksAliases[dwKeyIndex];
    }
    *ppszKeyAlias = Hand(alias);
    return EU_ERROR_NONE;
}

FAKE_EXPORT unsigned long EUGetJKSPrivateKeyFile(const char* pszFileName, const char* pszKeyAlias,
                                                 unsigned char** ppbPrivateKey, unsigned long* pdwPrivateKeyLength,
                                                 unsigned long*, unsigned char***, unsigned long**)
{
    *ppbPrivateKey = nullptr;
    *pdwPrivateKeyLength = 0;
    const unsigned long result = Record("EUGetJKSPrivateKeyFile", {Text(pszFileName), Text(pszKeyAlias)});
    const std::string key = [] {
        std::lock_guard lock(Script().Lock);
        return Script().JksKey;
    }();
    if (result)
        return result;
    if (key.empty())
        return EU_ERROR_JKS_ALIAS_NOT_FOUND;
    *ppbPrivateKey = reinterpret_cast<unsigned char*>(Hand(key));
    *pdwPrivateKeyLength = static_cast<unsigned long>(key.size());
    return EU_ERROR_NONE;
}

// The scripted signature, or the scripted failure.
unsigned long HandSignature(unsigned long AResult, unsigned char** ppbSign, unsigned long* pdwSignLength)
{
    if (AResult)
        return AResult;
    const auto [signature, pause] = [] {
        std::lock_guard lock(Script().Lock);
        return std::pair(Script().Signature, Script().SignPauseMicroseconds);
    }();
    std::this_thread::sleep_for(std::chrono::microseconds(pause));
    *ppbSign = reinterpret_cast<unsigned char*>(Hand(signature));
    *pdwSignLength = static_cast<unsigned long>(signature.size());
    return EU_ERROR_NONE;
}

FAKE_EXPORT unsigned long EUCtxSignData(void* pvPrivateKeyContext, unsigned long dwSignAlgo,
                                        const unsigned char* pbData, unsigned long dwDataLength, int bExternal,
                                        int bAppendCert, unsigned char** ppbSign, unsigned long* pdwSignLength)
{
    *ppbSign = nullptr;
    *pdwSignLength = 0;
    const unsigned long result =
        Record("EUCtxSignData", {pvPrivateKeyContext == &FakeKey ? "key" : "other", Number(dwSignAlgo),
                                 Bytes(pbData, dwDataLength), Number(bExternal), Number(bAppendCert)});
    return HandSignature(result, ppbSign, pdwSignLength);
}

FAKE_EXPORT unsigned long EUCtxSignHashValue(void* pvPrivateKeyContext, unsigned long dwSignAlgo,
                                             const unsigned char* pbHash, unsigned long dwHashLength, int bAppendCert,
                                             unsigned char** ppbSign, unsigned long* pdwSignLength)
{
    *ppbSign = nullptr;
    *pdwSignLength = 0;
    const unsigned long result =
        Record("EUCtxSignHashValue", {pvPrivateKeyContext == &FakeKey ? "key" : "other", Number(dwSignAlgo),
                                      Bytes(pbHash, dwHashLength), Number(bAppendCert)});
    return HandSignature(result, ppbSign, pdwSignLength);
}

FAKE_EXPORT unsigned long EUBASE64Encode(const unsigned char* pbData, unsigned long dwDataLength, char** ppszData)
{
    *ppszData = nullptr;
    const unsigned long result = Record("EUBASE64Encode", {Bytes(pbData, dwDataLength)});
    if (result)
        return result;
    const std::string text = [] {
        std::lock_guard lock(Script().Lock);
        return Script().Base64Text;
    }();
    *ppszData = Hand(text);
    return EU_ERROR_NONE;
}

#ifndef FAKE_SIGNLIB_INCOMPLETE
FAKE_EXPORT void EUFreeMemory(void* pvMemory)
{
    Record("EUFreeMemory", {});
    GiveBack(pvMemory);
}
#endif

}  // extern "C"
