#pragma once

// The active keys: each key's serial number with the signer that holds it loaded. Shared by the
// thread that activates and deactivates keys and the threads that answer the server. A signer is
// held by shared ownership, so one that a request has found stays alive until the request is done
// with it, even when its key is deactivated meanwhile.

#include "signing/Sign.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace korvel {

class TActiveKeys {
public:
    using TSigner = std::shared_ptr<TSign>;

    // The signer of ASN, null when the key is not active.
    TSigner Find(const std::string& ASN) const;
    bool Contains(const std::string& ASN) const;
    // False, and nothing changes, when ASN already has a signer.
    bool Add(const std::string& ASN, TSigner ASigner);
    // The signer taken out, null when the key was not active.
    TSigner Remove(const std::string& ASN);
    // Every signer taken out, by serial number.
    std::map<std::string, TSigner> TakeAll();
    std::size_t Count() const;
    std::vector<std::string> Serials() const;

private:
    mutable std::mutex FLock;
    std::map<std::string, TSigner> FKeys;
};

}  // namespace korvel
