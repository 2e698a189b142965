#pragma once

#include <atomic>

namespace korvel {

// Set once when the program unloads; every background loop ends at its next check.
extern std::atomic<bool> UnloadRequested;

}  // namespace korvel
