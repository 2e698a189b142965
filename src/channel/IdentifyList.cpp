#include "channel/IdentifyList.h"

namespace korvel {

void TIdentifyList::Put(const std::string& ASN, const std::string& AKey)
{
    std::lock_guard lock(FMutex);
    FEntries[ASN] = AKey;
}

void TIdentifyList::Remove(const std::string& ASN)
{
    std::lock_guard lock(FMutex);
    FEntries.erase(ASN);
}

void TIdentifyList::Acknowledge(const std::string& AKey)
{
    std::lock_guard lock(FMutex);
    std::erase_if(FEntries, [&](const auto& entry) { return entry.second == AKey; });
}

std::optional<std::string> TIdentifyList::Find(const std::string& ASN) const
{
    std::lock_guard lock(FMutex);
    const auto entry = FEntries.find(ASN);
    return entry == FEntries.end() ? std::nullopt : std::optional<std::string>(entry->second);
}

std::vector<std::pair<std::string, std::string>> TIdentifyList::Snapshot() const
{
    std::lock_guard lock(FMutex);
    return {FEntries.begin(), FEntries.end()};
}

void TIdentifyList::Clear()
{
    std::lock_guard lock(FMutex);
    FEntries.clear();
}

}  // namespace korvel
