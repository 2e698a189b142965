#pragma once

// One running program per user: the first instance holds an exclusive lock on a file named after
// the program and the user, in the user's runtime folder ($XDG_RUNTIME_DIR, or /tmp when unset).
// The system drops the lock when the process ends, however it ends.

#include "foundation/UniqueFd.h"

#include <map>
#include <mutex>
#include <string>

namespace korvel {

class TSingleInstanceMutex {
public:
    // True when this process now holds the lock AName; false when any process (this one
    // included) already holds it, or the lock file cannot be opened.
    bool Acquire(const std::string& AName);
    bool Holds(const std::string& AName) const;
    // Lets a new instance start: every lock this process holds is released.
    void Close();

private:
    mutable std::mutex FLock;
    std::map<std::string, TUniqueFd> FHeld;
};

// The process-wide holder, kept for the life of the process.
TSingleInstanceMutex& SingleInstanceMutex();

// True for the first holder of AName.
bool CheckSingleInstance(const std::string& AName);

// The folder of the lock files, with a trailing "/".
std::string SingleInstanceFolder();
// The executable's file name without its extension, "_", then the user's name.
std::string SingleInstanceName(const std::string& AExePath, const std::string& AUserName);
// The name for the running executable and the current user.
std::string ProgramInstanceName();

}  // namespace korvel
