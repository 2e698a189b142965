#pragma once

// The link to the business server through Redis publish/subscribe: one subscription on the
// program's own channel, a publication per outgoing message, and a maintenance loop that pings,
// renews the subscription and re-sends unacknowledged identifications. Every exchange opens a
// connection of its own, so no connection is shared between threads.

#include "channel/ChannelState.h"

#include <chrono>
#include <string>

namespace korvel {

class TRedisChannel {
public:
    TRedisChannel() = delete;

    static constexpr const char* IdentifyChannel = "korvel_database_identify";
    static constexpr const char* ChannelPrefix = "korvel_database_";

    // Written once at start, before the first subscription.
    static void Setup(bool ATestMode, const std::string& AClientId, TOnMessage AOnMessage,
                      TOnIdentifyMsg AOnIdentifyMsg);

    // Starts a subscription task of the current generation (AReconnect: of a new one) and returns.
    static void SubScribeChannel(bool AReconnect);
    // Starts the maintenance loop and returns.
    static void RunPingAndReconnectRedis();
    // Publishes one envelope on AChannel over a new connection. Never raises; a failure is logged.
    static void SendData(const std::string& AChannel, const std::string& ASN, const std::string& ATypeMsg,
                         const std::string& AKey, const std::string& AData, bool ARequest);
    // Announces an activated key; the identification stays pending until acknowledged.
    static void AddSubScribe(const std::string& ASN, const std::string& AInfoJson);
    // Announces a deactivated key and stops re-sending its identification.
    static void Deactivate(const std::string& ASN);

    // Seams for tests and benchmarks: the pause of a maintenance cycle and the subscription's
    // read time-out (both 1000 ms in the program).
    static void SetPacing(std::chrono::milliseconds ACyclePause, std::chrono::milliseconds AReadTimeout);
    static void ResetForTests();
};

}  // namespace korvel
