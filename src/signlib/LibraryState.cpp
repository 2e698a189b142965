#include "signlib/LibraryState.h"

namespace korvel::signlib {

std::mutex& SettingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

TLibrarySettings& MutableSettings()
{
    static TLibrarySettings settings;
    return settings;
}

TLibrarySettings CurrentSettings()
{
    std::lock_guard lock(SettingsMutex());
    return MutableSettings();
}

TRuntimeParameters& ThreadRuntimeParameters()
{
    thread_local TRuntimeParameters parameters;
    return parameters;
}

}  // namespace korvel::signlib
