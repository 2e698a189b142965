#include "RawResponder.h"

#include "channel/RedisChannel.h"

#include <chrono>
#include <exception>

namespace korvel::bench {

using namespace std::chrono_literals;

TRawResponder::TRawResponder(int APort, std::string APassword, const std::string& AChannel)
    : FPort(APort), FPassword(std::move(APassword)), FSubscription(APort, FPassword, 0ms)
{
    FSubscription.Subscribe(AChannel);
    FThread = std::thread([this] { Serve(); });
}

TRawResponder::~TRawResponder()
{
    FSubscription.Shutdown();
    FThread.join();
}

void TRawResponder::Serve()
{
    try {
        while (const auto request = FSubscription.NextMessage())
            Reply(request->Message);
    } catch (const std::exception&) {
        ++FFailures;
    }
}

void TRawResponder::Reply(const std::string& ARequest)
{
    const auto space = ARequest.find(' ');
    const std::string channel = TRedisChannel::ChannelPrefix + ARequest.substr(0, space);
    const std::string payload = space == std::string::npos ? std::string() : ARequest.substr(space + 1);
    try {
        TBenchConnection connection(FPort, FPassword, 5000ms);
        connection.SetName(channel + "SEND");
        connection.Publish(channel, payload);
    } catch (const std::exception&) {
        ++FFailures;
    }
}

}  // namespace korvel::bench
