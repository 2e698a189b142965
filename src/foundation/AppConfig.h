#pragma once

// The process's identity, set once at start before any channel activity and only read afterwards.

#include <string>

namespace korvel {

struct TAppCongif {
    std::string acAppVersion;  // four numbers joined by "."
    std::string acSessionId;   // a new GUID text at every start
};

TAppCongif& AppConfig();

}  // namespace korvel
