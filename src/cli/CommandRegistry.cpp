#include "CommandRegistry.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>

namespace korvel::cli {

namespace {

// A function-local static, so that registrations from other files' static initialisers find it constructed.
std::map<std::string, TCommandGroup, std::less<>>& Registry()
{
    static std::map<std::string, TCommandGroup, std::less<>> registry;
    return registry;
}

}  // namespace

bool RegisterCommandGroup(const TCommandGroup& AGroup)
{
    if (!Registry().emplace(std::string(AGroup.Name), AGroup).second)
        throw std::logic_error("korvelctl: command group registered twice: " + std::string(AGroup.Name));
    return true;
}

const TCommandGroup* FindCommandGroup(std::string_view AName)
{
    const auto it = Registry().find(AName);
    return it == Registry().end() ? nullptr : &it->second;
}

std::vector<TCommandGroup> CommandGroups()
{
    std::vector<TCommandGroup> groups;
    for (const auto& [name, group] : Registry())
        groups.push_back(group);
    return groups;
}

int UsageError(const TCommandGroup& AGroup)
{
    std::string_view usage = AGroup.Usage;
    const char* prefix = "usage: ";
    while (!usage.empty()) {
        const size_t end = std::min(usage.find('\n'), usage.size());
        std::cerr << prefix << "korvelctl " << usage.substr(0, end) << '\n';
        prefix = "       ";
        usage.remove_prefix(std::min(end + 1, usage.size()));
    }
    return ExitUsage;
}

}  // namespace korvel::cli
