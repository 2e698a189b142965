// Entry points that put settings in force for the whole library. Texts arrive in Windows-1251 and
// are kept as UTF-8; a missing text counts as empty.

#include "foundation/TextCodec.h"
#include "signlib/EntryPoint.h"
#include "signlib/LibraryState.h"
#include "signlib/SignLibrary.h"

#include <string>

using namespace korvel::signlib;

namespace {

std::string TextArgument(const char* AText)
{
    return AText == nullptr ? std::string() : korvel::AnsiToUtf8(AText);
}

TServerSettings ServerSettings(int AUse, const char* AAddress, const char* APort)
{
    TServerSettings settings;
    settings.Use = AUse != 0;
    settings.Address = TextArgument(AAddress);
    settings.Port = TextArgument(APort);
    return settings;
}

}  // namespace

extern "C" EU_API unsigned long EUSetFileStoreSettings(const char* pszPath, int bCheckCRLs, int bAutoRefresh,
                                                       int bOwnCRLsOnly, int bFullAndDeltaCRLs, int bAutoDownloadCRLs,
                                                       int bSaveLoadedCerts, unsigned long dwExpireTime)
{
    return RunInitializedEntryPoint([&] {
        TFileStoreSettings store;
        store.Path = TextArgument(pszPath);
        store.CheckCRLs = bCheckCRLs != 0;
        store.AutoRefresh = bAutoRefresh != 0;
        store.OwnCRLsOnly = bOwnCRLsOnly != 0;
        store.FullAndDeltaCRLs = bFullAndDeltaCRLs != 0;
        store.AutoDownloadCRLs = bAutoDownloadCRLs != 0;
        store.SaveLoadedCerts = bSaveLoadedCerts != 0;
        store.ExpireTime = dwExpireTime;
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.FileStore = store; });
    });
}

extern "C" EU_API unsigned long EUSetCMPSettings(int bUseCMP, const char* pszAddress, const char* pszPort,
                                                 const char* pszCommonName)
{
    return RunInitializedEntryPoint([&] {
        TServerSettings cmp = ServerSettings(bUseCMP, pszAddress, pszPort);
        cmp.CommonName = TextArgument(pszCommonName);
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.CMP = cmp; });
    });
}

extern "C" EU_API unsigned long EUSetTSPSettings(int bGetStamps, const char* pszAddress, const char* pszPort)
{
    return RunInitializedEntryPoint([&] {
        const TServerSettings tsp = ServerSettings(bGetStamps, pszAddress, pszPort);
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.TSP = tsp; });
    });
}

extern "C" EU_API unsigned long EUSetOCSPSettings(int bUseOCSP, int bBeforeStore, const char* pszAddress,
                                                  const char* pszPort)
{
    return RunInitializedEntryPoint([&] {
        TServerSettings ocsp = ServerSettings(bUseOCSP, pszAddress, pszPort);
        ocsp.BeforeStore = bBeforeStore != 0;
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.OCSP = ocsp; });
    });
}

extern "C" EU_API unsigned long EUSetProxySettings(int bUseProxy, int bAnonymous, const char* pszAddress,
                                                   const char* pszPort, const char* pszUser, const char* pszPassword,
                                                   int bSavePassword)
{
    return RunInitializedEntryPoint([&] {
        TServerSettings proxy = ServerSettings(bUseProxy, pszAddress, pszPort);
        proxy.Anonymous = bAnonymous != 0;
        proxy.User = TextArgument(pszUser);
        proxy.Password = TextArgument(pszPassword);
        proxy.SavePassword = bSavePassword != 0;
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.Proxy = proxy; });
    });
}

extern "C" EU_API unsigned long EUSetLDAPSettings(int bUseLDAP, const char* pszAddress, const char* pszPort,
                                                  int bAnonymous, const char* pszUser, const char* pszPassword)
{
    return RunInitializedEntryPoint([&] {
        TServerSettings ldap = ServerSettings(bUseLDAP, pszAddress, pszPort);
        ldap.Anonymous = bAnonymous != 0;
        ldap.User = TextArgument(pszUser);
        ldap.Password = TextArgument(pszPassword);
        ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.LDAP = ldap; });
    });
}
