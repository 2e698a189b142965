#pragma once

// The business server's side of a round trip: publish a request on an agent's channel, wait for
// the reply on "korvel_database_" + the request's key. Up to AInFlight requests are outstanding;
// with one, each request waits for the previous reply.

#include "BenchConnection.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace korvel::bench {

struct TRoundTripPlan {
    std::string RequestChannel;
    std::string KeyPrefix;  // keys are KeyPrefix + a running number; must start with "bench-"
    std::size_t Count = 0;
    int InFlight = 1;
    std::function<std::string(const std::string& AKey)> MakeRequest;
    // False when the reply is not the one expected for AKey.
    std::function<bool(const std::string& AKey, const std::string& AReply)> CheckReply;
};

struct TRoundTripResult {
    std::vector<std::chrono::nanoseconds> Latencies;  // publish to reply, per request
    std::chrono::nanoseconds WallTime{0};
};

class TRequester {
public:
    // Every reply must come within AReplyTimeout, or Run throws.
    TRequester(int APort, const std::string& APassword, std::chrono::milliseconds AReplyTimeout);

    TRoundTripResult Run(const TRoundTripPlan& APlan);

private:
    TBenchConnection FPublisher;
    TBenchConnection FReplies;
};

}  // namespace korvel::bench
