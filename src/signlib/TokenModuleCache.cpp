#include "signlib/TokenModuleCache.h"

#include <map>
#include <mutex>

namespace korvel::signlib {

namespace {

struct TCachedModule {
    std::unique_ptr<TTokenModule> Module;
    int Users = 0;
};

std::mutex& CacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: a key still held when the process ends (a static of the program, say) lets go
// of its module after static destruction, and a module in use then must not be finalised under it.
std::map<std::string, TCachedModule>& LoadedModules()
{
    static auto* modules = new std::map<std::string, TCachedModule>;
    return *modules;
}

// Called under the cache's lock. The count of users changes only there, and the last user unloads
// the module before the lock is let go: a new user therefore either shares the module or loads it
// after it has been finalised, never while a finalisation could still end its sessions.
void ForgetUser(const std::string& AModulePath)
{
    auto entry = LoadedModules().find(AModulePath);
    if (--entry->second.Users == 0)
        LoadedModules().erase(entry);
}

// One user's hold on a cached module.
class TModuleUse {
public:
    explicit TModuleUse(std::string AModulePath) : FModulePath(std::move(AModulePath)) {}
    ~TModuleUse()
    {
        std::lock_guard lock(CacheMutex());
        ForgetUser(FModulePath);
    }
    TModuleUse(const TModuleUse&) = delete;
    TModuleUse& operator=(const TModuleUse&) = delete;

private:
    std::string FModulePath;
};

}  // namespace

std::shared_ptr<TTokenModule> AcquireTokenModule(const std::string& AModulePath)
{
    std::lock_guard lock(CacheMutex());
    TCachedModule& cached = LoadedModules()[AModulePath];
    ++cached.Users;
    try {
        if (!cached.Module)
            cached.Module = std::make_unique<TTokenModule>(AModulePath);
        return {std::make_shared<TModuleUse>(AModulePath), cached.Module.get()};
    } catch (...) {
        ForgetUser(AModulePath);
        throw;
    }
}

}  // namespace korvel::signlib
