#pragma once

// The library's process-wide state: whether it is initialised, and the settings in force until
// set again. Runtime parameters belong to the calling thread.

#include <cstdint>
#include <mutex>
#include <string>

namespace korvel::signlib {

struct TFileStoreSettings {
    std::string Path;  // UTF-8; folder of certificate files (.p7b, .cer, .crt, .pem)
    bool CheckCRLs = false;
    bool AutoRefresh = false;
    bool OwnCRLsOnly = false;
    bool FullAndDeltaCRLs = false;
    bool AutoDownloadCRLs = false;
    bool SaveLoadedCerts = false;
    unsigned long ExpireTime = 0;
};

struct TServerSettings {
    bool Use = false;
    std::string Address;  // host name or URL, UTF-8
    std::string Port;
    std::string CommonName;    // CMP only
    bool BeforeStore = false;  // OCSP only

    bool Anonymous = false;     // proxy and LDAP: no user name and password
    std::string User;           // proxy and LDAP
    std::string Password;       // proxy and LDAP
    bool SavePassword = false;  // proxy only
};

struct TLibrarySettings {
    bool Initialized = false;
    bool OfflineMode = false;
    bool UIMode = false;
    TFileStoreSettings FileStore;
    TServerSettings CMP;
    TServerSettings TSP;
    TServerSettings OCSP;
    TServerSettings Proxy;
    TServerSettings LDAP;
};

// A copy of the settings in force, and a way to change them under the library's lock.
TLibrarySettings CurrentSettings();
template <typename TChange> void ChangeSettings(TChange AChange);

struct TRuntimeParameters {
    bool SignIncludeContentTimeStamp = false;
    std::uint32_t SignType = 1;  // CAdES-BES until the caller asks for another
};

// The calling thread's runtime parameters.
TRuntimeParameters& ThreadRuntimeParameters();

std::mutex& SettingsMutex();
TLibrarySettings& MutableSettings();

template <typename TChange> void ChangeSettings(TChange AChange)
{
    std::lock_guard lock(SettingsMutex());
    AChange(MutableSettings());
}

}  // namespace korvel::signlib
