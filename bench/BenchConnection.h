#pragma once

// A plain hiredis connection to the benchmark's Redis server, logged in as the program's user,
// as the business server or a bare client would hold it. Failures throw std::runtime_error.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

struct redisContext;

namespace korvel::bench {

struct TPublished {
    std::string Channel;
    std::string Message;
};

class TBenchConnection {
public:
    // Connects to 127.0.0.1:APort and authenticates. Commands and reads wait at most ATimeout;
    // zero waits for ever.
    TBenchConnection(int APort, const std::string& APassword, std::chrono::milliseconds ATimeout);
    ~TBenchConnection();
    TBenchConnection(const TBenchConnection&) = delete;
    TBenchConnection& operator=(const TBenchConnection&) = delete;

    void SetName(const std::string& AName);
    void Publish(const std::string& AChannel, const std::string& AMessage);
    void Subscribe(const std::string& AChannel);
    void PatternSubscribe(const std::string& APattern);
    // The next message of a (pattern) subscription; nothing once the connection is shut down.
    std::optional<TPublished> NextMessage();
    // Wakes a thread blocked in NextMessage.
    void Shutdown();

private:
    struct TContextDeleter {
        void operator()(redisContext* AContext) const;
    };
    void Command(std::initializer_list<std::string> AArgs);

    std::unique_ptr<redisContext, TContextDeleter> FContext;
};

}  // namespace korvel::bench
