#pragma once

// The control side of the fake signing library that the signer's tests load in place of the real
// one: what it answers, which calls fail, and every call it received with its arguments. The fake
// exports FakeSignLibraryScript(); the tests take it with dlsym from the same loaded object.

#include "signlib/SignLibrary.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace korvel::test {

// What the fake says of every error unless a test tells it otherwise.
inline constexpr const char* FakeError = "fake error";

struct TFakeCall {
    std::string Name;               // the entry point, "EUSetCMPSettings"
    std::vector<std::string> Args;  // integers in decimal, texts as their 8-bit bytes
};

// The certificate EUCtxEnumOwnCertificates gives at index 0; texts 8-bit.
struct TFakeCertificate {
    std::string Serial = "1A2B3C";
    std::string SubjFullName = "Subject";
    std::string SubjOrg = "Organisation";
    std::string SubjDRFOCode = "1234567890";
    std::string SubjEDRPOUCode = "12345678";
    EU_TIME EndTime{2049, 12, 5, 31, 23, 59, 58, 0};
};

struct TFakeSignLibraryScript {
    mutable std::mutex Lock;
    std::vector<TFakeCall> Calls;

    unsigned long InitializeResult = 0;
    unsigned long GetModeSettingsResult = 0;
    int OfflineMode = 0;  // the mode flag EUGetModeSettings reports

    // 8-bit names. After the last one an enumeration ends with 7, or fails with EnumFailure when set.
    std::vector<std::string> MediaTypes;
    std::vector<std::string> MediaDevices;
    unsigned long EnumFailure = 0;

    // Results of the other entry points by name; 0 when not set.
    std::map<std::string, unsigned long> Results;
    // What EUGetErrorLangDesc gives for any code, 8-bit.
    std::string ErrorDescription = FakeError;

    // 8-bit JKS aliases. After the last one the enumeration ends with 7, or fails with
    // JksEnumFailure when set. A result set for EUEnumJKSPrivateKeysFile fails every index.
    std::vector<std::string> JksAliases;
    unsigned long JksEnumFailure = 0;
    // The key bytes of any alias; none: the alias is not found.
    std::string JksKey = "jks-key";
    // The key's own certificate; none: the enumeration ends at once.
    std::optional<TFakeCertificate> OwnCertificate = TFakeCertificate();
    // What signing and base64 give back.
    std::string Signature = "signature";
    std::string Base64Text = "c2lnbmF0dXJl";
    // How long signing takes, so that calls made at once overlap.
    int SignPauseMicroseconds = 0;
    // Blocks handed out by the fake and not yet given back.
    int Outstanding = 0;

    void Reset()
    {
        std::lock_guard lock(Lock);
        Calls.clear();
        InitializeResult = GetModeSettingsResult = 0;
        OfflineMode = 0;
        MediaTypes.clear();
        MediaDevices.clear();
        EnumFailure = 0;
        Results.clear();
        ErrorDescription = FakeError;
        JksAliases.clear();
        JksEnumFailure = 0;
        JksKey = "jks-key";
        OwnCertificate = TFakeCertificate();
        Signature = "signature";
        Base64Text = "c2lnbmF0dXJl";
        SignPauseMicroseconds = 0;
        Outstanding = 0;
    }

    void ClearCalls()
    {
        std::lock_guard lock(Lock);
        Calls.clear();
    }

    std::vector<TFakeCall> CallsNamed(const std::string& AName) const
    {
        std::lock_guard lock(Lock);
        std::vector<TFakeCall> calls;
        for (const auto& call : Calls)
            if (call.Name == AName)
                calls.push_back(call);
        return calls;
    }

    // The names of the calls received, in order.
    std::vector<std::string> CallNames() const
    {
        std::lock_guard lock(Lock);
        std::vector<std::string> names;
        for (const auto& call : Calls)
            names.push_back(call.Name);
        return names;
    }
};

}  // namespace korvel::test

extern "C" korvel::test::TFakeSignLibraryScript* FakeSignLibraryScript();
