#include "channel/ServerPeer.h"

#include "channel/EnvelopeReader.h"
#include "channel/RedisChannel.h"
#include "channel/RedisLogin.h"

#include <stdexcept>

namespace korvel {
namespace {

using TClock = std::chrono::steady_clock;

// A reply must answer this very request: anything else on its channel is a fault of the agent.
TAgentEnvelope CheckedReply(const std::string& AText, const TServerRequest& ARequest)
{
    try {
        TAgentEnvelope reply = DecodeAgentEnvelope(AText);
        if (reply.IsRequest)
            throw EEnvelopeError("the reply is marked as a request");
        if (reply.Key != ARequest.Key)
            throw EEnvelopeError("the reply carries another key (" + reply.Key + ")");
        return reply;
    } catch (const EEnvelopeError& error) {
        throw EEnvelopeError(std::string("reply rejected, ") + error.what() + ": " + AText);
    }
}

}  // namespace

TServerPeer::TServerPeer(bool ATestMode, std::string AName) : FTestMode(ATestMode), FName(std::move(AName))
{
}

std::int64_t TServerPeer::Publish(const std::string& AChannel, const std::string& AText) const
{
    // Named like the program's publishing connections.
    return OpenRedisConnection(FTestMode, AChannel + "SEND")->Publish(AChannel, AText);
}

TServerPeer::TOutcome TServerPeer::Request(const std::string& AClientId, const TServerRequest& ARequest,
                                           std::chrono::milliseconds ATimeout) const
{
    const auto deadline = TClock::now() + ATimeout;
    const auto listener = OpenRedisConnection(FTestMode, FName);
    listener->Listen(TRedisChannel::ChannelPrefix + ARequest.Key);

    TOutcome outcome;
    outcome.Receivers = Publish(TRedisChannel::ChannelPrefix + AClientId, BuildServerRequest(ARequest));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            return outcome;
        if (const auto message = listener->NextMessage(left)) {
            outcome.ReplyText = message->Text;
            outcome.Reply = CheckedReply(message->Text, ARequest);
            return outcome;
        }
    }
}

void TServerPeer::Watch(const std::function<void(const std::string&)>& AOnText, const std::function<bool()>& AContinue,
                        std::chrono::milliseconds AWaitSlice) const
{
    const auto listener = OpenRedisConnection(FTestMode, FName);
    listener->Listen(TRedisChannel::IdentifyChannel);
    while (AContinue())
        if (const auto message = listener->NextMessage(AWaitSlice))
            AOnText(message->Text);
}

void TServerPeer::Acknowledge(const TAgentEnvelope& AIdentify) const
{
    if (AIdentify.ClientId.empty())
        throw std::runtime_error("the identification names no client_id");
    Publish(TRedisChannel::ChannelPrefix + AIdentify.ClientId, BuildIdentifyAcknowledgement(AIdentify.Key));
}

}  // namespace korvel
