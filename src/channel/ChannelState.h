#pragma once

// The server channel's process-wide state. The settings and events are written once at start,
// before any channel task runs, and only read afterwards.

#include "channel/IdentifyList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace korvel {

using TOnMessage = std::function<void(const std::string& AChannel, const std::string& ASN, const std::string& ATypeMsg,
                                      const std::string& AKey, const std::string& AData, bool AIncludeTimeStamp,
                                      std::int64_t ASignType)>;
using TOnIdentifyMsg = std::function<void(const std::string& ASN, const std::string& AKey)>;

struct TChannelState {
    std::string FClientId;
    bool FTestMode = false;
    TOnMessage OnMessage;
    TOnIdentifyMsg OnIdentifyMsg;
    TIdentifyList FIdentifyList;
    std::atomic<std::int64_t> FGeneration{0};
};

TChannelState& ChannelState();

}  // namespace korvel
