#pragma once

// Answers the server: every request the channel has accepted is worked here, on the subscription
// thread or, when many keys are registered, on a pool task of its own, and the reply goes back
// through the channel. Also builds the description by which an active key and its installation
// are introduced to the server, and re-sends identifications the server has not acknowledged.

#include "channel/ActiveKeys.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

class TSignEvent {
public:
    TSignEvent() = delete;

    // More key records than this send each request to a task of its own (unless SKIP_THREAD).
    static constexpr int ThreadThreshold = 20;

    // The active keys, published once at start before the channel starts.
    static void SetSigners(std::shared_ptr<TActiveKeys> ASigners);
    static std::shared_ptr<TActiveKeys> Signers();
    // The number of key records, active or not.
    static void SetKeyCount(int ACount) { FKeyCount = ACount; }

    // The channel's message event. Never raises.
    static void OnMessageFromServer(const std::string& AChannel, const std::string& ASN, const std::string& ATypeMsg,
                                    const std::string& AKey, const std::string& AData, bool AIncludeTimeStamp,
                                    std::int64_t ASignType);
    // The channel's re-identification event: announces the key ASN again under the message key AGuid.
    static void OnIdentify(const std::string& ASN, const std::string& AGuid);
    // The activation description: the object's compact JSON, or an array of that one object.
    static std::string GetActivateJson(bool AIsObject, const std::string& ASignData, bool AAddCountThread);

    static void ResetForTests();

private:
    struct TRequest;
    static void RunRequest(const TRequest& ARequest);
    static void RunSignRequest(const TRequest& ARequest, bool AHash);
    static void SendReply(const TRequest& ARequest, const std::string& AData);

    static std::atomic<int> FKeyCount;
};

}  // namespace korvel
