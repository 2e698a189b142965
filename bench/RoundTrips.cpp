#include "RoundTrips.h"

#include "channel/RedisChannel.h"

#include <charconv>
#include <optional>
#include <stdexcept>

namespace korvel::bench {
namespace {

using TClock = std::chrono::steady_clock;

const std::string ReplyPrefix = TRedisChannel::ChannelPrefix;

// The running number at the end of a reply channel of this plan, or nothing for a stray reply.
std::optional<std::size_t> RequestIndex(const TRoundTripPlan& APlan, const std::string& AChannel)
{
    const std::string expected = ReplyPrefix + APlan.KeyPrefix;
    if (AChannel.compare(0, expected.size(), expected) != 0)
        return std::nullopt;
    std::size_t index = 0;
    const char* first = AChannel.data() + expected.size();
    const char* last = AChannel.data() + AChannel.size();
    const auto [end, error] = std::from_chars(first, last, index);
    if (error != std::errc() || end != last || index >= APlan.Count)
        return std::nullopt;
    return index;
}

}  // namespace

TRequester::TRequester(int APort, const std::string& APassword, std::chrono::milliseconds AReplyTimeout)
    : FPublisher(APort, APassword, AReplyTimeout), FReplies(APort, APassword, AReplyTimeout)
{
    FPublisher.SetName("BENCH_SERVER");
    FReplies.PatternSubscribe(ReplyPrefix + "bench-*");
}

TRoundTripResult TRequester::Run(const TRoundTripPlan& APlan)
{
    TRoundTripResult result;
    result.Latencies.resize(APlan.Count);
    std::vector<TClock::time_point> sentAt(APlan.Count);
    std::vector<bool> answered(APlan.Count, false);
    std::size_t sent = 0;
    std::size_t done = 0;
    const auto start = TClock::now();
    while (done < APlan.Count) {
        while (sent < APlan.Count && sent - done < static_cast<std::size_t>(APlan.InFlight)) {
            const std::string request = APlan.MakeRequest(APlan.KeyPrefix + std::to_string(sent));
            sentAt[sent] = TClock::now();
            FPublisher.Publish(APlan.RequestChannel, request);
            ++sent;
        }
        const auto reply = FReplies.NextMessage();
        const auto arrived = TClock::now();
        if (!reply)
            throw std::runtime_error("the reply subscription was closed");
        const auto index = RequestIndex(APlan, reply->Channel);
        if (!index || *index >= sent || answered[*index])
            continue;  // a late reply of an earlier series
        const std::string key = APlan.KeyPrefix + std::to_string(*index);
        if (!APlan.CheckReply(key, reply->Message))
            throw std::runtime_error("unexpected reply on " + reply->Channel + ": " + reply->Message);
        answered[*index] = true;
        result.Latencies[*index] = arrived - sentAt[*index];
        ++done;
    }
    result.WallTime = TClock::now() - start;
    return result;
}

}  // namespace korvel::bench
