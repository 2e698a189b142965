#pragma once

// Identifications the server has not acknowledged yet: key serial number -> message key of its
// IDENTIFY, at most one per serial. Every access is under one lock.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

class TIdentifyList {
public:
    // Replaces any pending identification of ASN.
    void Put(const std::string& ASN, const std::string& AKey);
    void Remove(const std::string& ASN);
    // Removes every entry with this message key, compared exactly.
    void Acknowledge(const std::string& AKey);
    std::optional<std::string> Find(const std::string& ASN) const;
    // A copy to walk without the lock (the walk signs and publishes).
    std::vector<std::pair<std::string, std::string>> Snapshot() const;
    void Clear();

private:
    mutable std::mutex FMutex;
    std::map<std::string, std::string> FEntries;
};

}  // namespace korvel
