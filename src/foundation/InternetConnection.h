#pragma once

// Whether the system reports the machine as connected to a network at all, before any request
// is tried.

#include <functional>

namespace korvel {

using TConnectedStateQuery = std::function<bool()>;

// Some network interface is up, running and not loopback; or the answer of the query a test
// has put in place.
bool IsInternetConnected();

// Replaces the system's answer, for tests; an empty query restores it.
void SetConnectedStateQuery(TConnectedStateQuery AQuery);

}  // namespace korvel
