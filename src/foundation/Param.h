#pragma once

// Typed access to the settings in config.ini, section "APP", in the program-data folder.
// Nothing is cached: every getter reads the file and every setter writes it at once, so a
// change made by another process or by hand takes effect at the next read.

#include <string>

namespace korvel {

class TParam {
public:
    TParam() = delete;

    // config.ini's full path.
    static std::string FileName();

    // The value of a key in section "APP", ADefault when the key or the file is absent.
    static std::string ReadValue(const std::string& AKey, const std::string& ADefault);
    // Writes key=value in section "APP" atomically; throws "Unable to write to <path>" when refused.
    static void WriteValue(const std::string& AKey, const std::string& AValue);

    static bool GetAutoUpdate();
    static void SetAutoUpdate(bool AValue);
    static bool GetAutoUpdateOnlyWorkDay();
    static void SetAutoUpdateOnlyWorkDay(bool AValue);
    static bool GetAutoHide();
    static bool GetAutoUpdatePlanner();
    static void SetAutoUpdatePlanner(bool AValue);
    static int GetAutoUpdateFrom();
    static void SetAutoUpdateFrom(int AValue);
    static int GetAutoUpdateTo();
    static void SetAutoUpdateTo(int AValue);
    static bool GetDebug();
    static void SetDebug(bool AValue);
    static bool GetDisabledCheckInternet();
    static void SetDisabledCheckInternet(bool AValue);
    static bool GetSetCertificateFolder();
    static void SetSetCertificateFolder(bool AValue);
    static bool GetOnlyClientForService();
    static bool GetSkipThread();
    static std::string GetAppId();
    static void SetAppId(const std::string& AValue);
    static std::string GetAuth();

    // Run-time overrides of the build settings, for operators and tests.
    static std::string GetRedisHost();
    static std::string GetRedisTestHost();
    static int GetRedisPort();
    static std::string GetRedisPassword();      // enciphered
    static std::string GetRedisTestPassword();  // enciphered
    static std::string GetWebUrl();
    static std::string GetWebTestUrl();
    static std::string GetApiUrl();
    static std::string GetDocsUrl();
    static std::string GetServiceUrl();
    static std::string GetTlsCaFile();  // "" when no extra CA is trusted
    static std::string GetSignLibrary();
    static std::string GetPkcs11Modules();  // "" means the modules p11-kit knows
};

}  // namespace korvel
