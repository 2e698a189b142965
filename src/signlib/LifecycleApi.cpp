// Entry points of the library's lifecycle and modes.

#include "signlib/EntryPoint.h"
#include "signlib/LibraryState.h"
#include "signlib/OpenSslProviders.h"
#include "signlib/SignLibrary.h"

using namespace korvel::signlib;

extern "C" EU_API unsigned long EUInitialize(void)
{
    return RunEntryPoint([] {
        if (!LoadOpenSslProviders())
            Fail(EU_ERROR_UNKNOWN, "the OpenSSL default provider cannot be loaded");
        ChangeSettings([](TLibrarySettings& ASettings) { ASettings.Initialized = true; });
    });
}

// Settings go back to their defaults, as they are after the library is loaded.
extern "C" EU_API void EUFinalize(void)
{
    (void)RunEntryPoint([] { ChangeSettings([](TLibrarySettings& ASettings) { ASettings = TLibrarySettings{}; }); });
}

extern "C" EU_API unsigned long EUGetModeSettings(int* pbOfflineMode)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(pbOfflineMode, "pbOfflineMode");
        *pbOfflineMode = CurrentSettings().OfflineMode ? 1 : 0;
    });
}

extern "C" EU_API unsigned long EUSetModeSettings(int bOfflineMode)
{
    return RunInitializedEntryPoint(
        [&] { ChangeSettings([&](TLibrarySettings& ASettings) { ASettings.OfflineMode = bOfflineMode != 0; }); });
}

// The library never opens windows; the mode is only remembered.
extern "C" EU_API void EUSetUIMode(int bUIMode)
{
    (void)RunEntryPoint([&] {
        ChangeSettings([&](TLibrarySettings& ASettings) {
            if (ASettings.Initialized)
                ASettings.UIMode = bUIMode != 0;
        });
    });
}
