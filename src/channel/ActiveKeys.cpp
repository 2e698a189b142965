#include "channel/ActiveKeys.h"

#include <utility>

namespace korvel {

TActiveKeys::TSigner TActiveKeys::Find(const std::string& ASN) const
{
    std::lock_guard lock(FLock);
    const auto found = FKeys.find(ASN);
    return found == FKeys.end() ? nullptr : found->second;
}

bool TActiveKeys::Contains(const std::string& ASN) const
{
    std::lock_guard lock(FLock);
    return FKeys.contains(ASN);
}

bool TActiveKeys::Add(const std::string& ASN, TSigner ASigner)
{
    std::lock_guard lock(FLock);
    return FKeys.emplace(ASN, std::move(ASigner)).second;
}

TActiveKeys::TSigner TActiveKeys::Remove(const std::string& ASN)
{
    TSigner removed;
    std::lock_guard lock(FLock);
    if (const auto found = FKeys.find(ASN); found != FKeys.end()) {
        removed = std::move(found->second);
        FKeys.erase(found);
    }
    return removed;
}

std::map<std::string, TActiveKeys::TSigner> TActiveKeys::TakeAll()
{
    std::lock_guard lock(FLock);
    return std::exchange(FKeys, {});
}

std::size_t TActiveKeys::Count() const
{
    std::lock_guard lock(FLock);
    return FKeys.size();
}

std::vector<std::string> TActiveKeys::Serials() const
{
    std::lock_guard lock(FLock);
    std::vector<std::string> serials;
    serials.reserve(FKeys.size());
    for (const auto& entry : FKeys)
        serials.push_back(entry.first);
    return serials;
}

}  // namespace korvel
