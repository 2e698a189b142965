#pragma once

// The business server's end of the channel, for operators' tools, tests and benchmarks: send a
// request to an agent and wait for its reply, listen to the agents' announcements and
// acknowledge identifications. Connections are opened like the program's own, one per exchange.

#include "channel/ServerEnvelope.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace korvel {

class TServerPeer {
public:
    struct TOutcome {
        std::optional<TAgentEnvelope> Reply;  // nothing: no reply in time
        std::string ReplyText;                // the reply as it arrived
        std::int64_t Receivers = 0;           // subscribers that got the request
    };

    // ATestMode: the test server and user, as the program's DEBUG. AName names the listening
    // connections.
    TServerPeer(bool ATestMode, std::string AName);

    // Publishes ARequest on the agent's own channel and waits up to ATimeout for the reply on
    // the request key's channel, which is subscribed first so that no reply is missed. Throws
    // on a connection failure and on a reply that fails its checks.
    TOutcome Request(const std::string& AClientId, const TServerRequest& ARequest,
                     std::chrono::milliseconds ATimeout) const;

    // Hands every text published on the identify channel to AOnText. AContinue is asked between
    // texts and at least every AWaitSlice; listening ends when it says no.
    void Watch(const std::function<void(const std::string&)>& AOnText, const std::function<bool()>& AContinue,
               std::chrono::milliseconds AWaitSlice) const;

    // Publishes the acknowledgement of AIdentify on its agent's own channel.
    void Acknowledge(const TAgentEnvelope& AIdentify) const;

private:
    std::int64_t Publish(const std::string& AChannel, const std::string& AText) const;

    bool FTestMode;
    std::string FName;
};

}  // namespace korvel
