#include "foundation/InternetConnection.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <memory>
#include <mutex>
#include <utility>

namespace korvel {

namespace {

std::mutex QueryLock;
TConnectedStateQuery ReplacedQuery;

struct TInterfaceListCleanup {
    void operator()(ifaddrs* AList) const { freeifaddrs(AList); }
};

bool HasActiveNonLoopbackInterface()
{
    ifaddrs* first = nullptr;
    if (getifaddrs(&first) != 0)
        return false;
    const std::unique_ptr<ifaddrs, TInterfaceListCleanup> list(first);
    for (const ifaddrs* entry = first; entry != nullptr; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if ((flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK))
            return true;
    }
    return false;
}

}  // namespace

bool IsInternetConnected()
{
    TConnectedStateQuery query;
    {
        const std::lock_guard lock(QueryLock);
        query = ReplacedQuery;
    }
    return query ? query() : HasActiveNonLoopbackInterface();
}

void SetConnectedStateQuery(TConnectedStateQuery AQuery)
{
    const std::lock_guard lock(QueryLock);
    ReplacedQuery = std::move(AQuery);
}

}  // namespace korvel
