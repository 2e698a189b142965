#pragma once

// The control side of the fake signing library that the signer's tests load in place of the real
// one: what it answers, which calls fail, and every call it received with its arguments. The fake
// exports FakeSignLibraryScript(); the tests take it with dlsym from the same loaded object.

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace korvel::test {

struct TFakeCall {
    std::string Name;               // the entry point, "EUSetCMPSettings"
    std::vector<std::string> Args;  // integers in decimal, texts as their 8-bit bytes
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
    std::string ErrorDescription = "fake error";

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
        ErrorDescription = "fake error";
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
