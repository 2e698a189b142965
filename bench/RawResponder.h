#pragma once

// The yardstick: the program's connection pattern with nothing of the program in it. It
// subscribes to a channel, and for every request text "<key> <payload>" it opens a new
// connection, authenticates, names it, publishes the payload on "korvel_database_" + key and
// closes it; no envelope, no checksum, no configuration read.

#include "BenchConnection.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace korvel::bench {

class TRawResponder {
public:
    // Subscribed when the constructor returns.
    TRawResponder(int APort, std::string APassword, const std::string& AChannel);
    ~TRawResponder();
    TRawResponder(const TRawResponder&) = delete;
    TRawResponder& operator=(const TRawResponder&) = delete;

    std::size_t Failures() const { return FFailures; }

private:
    void Serve();
    void Reply(const std::string& ARequest);

    int FPort;
    std::string FPassword;
    TBenchConnection FSubscription;
    std::atomic<std::size_t> FFailures{0};
    std::thread FThread;
};

}  // namespace korvel::bench
