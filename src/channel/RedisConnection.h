#pragma once

// One connection to the Redis server, opened for one exchange and closed with the object. Every
// failure is a std::runtime_error carrying the client's or the server's message. Texts go on
// the wire in Windows-1251, as our peers expect, and come back from it the same way.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct redisContext;
struct redisReply;

namespace korvel {

class TRedisConnection {
public:
    using TOnMessage = std::function<void(const std::string& AChannel, const std::string& AMessage)>;
    using TContinue = std::function<bool()>;

    struct TPublished {
        std::string Channel;
        std::string Text;
    };

    // Connects within ATimeout; every later command must be answered within ATimeout too.
    TRedisConnection(const std::string& AHost, int APort, std::chrono::milliseconds ATimeout);
    ~TRedisConnection();
    TRedisConnection(const TRedisConnection&) = delete;
    TRedisConnection& operator=(const TRedisConnection&) = delete;

    void Auth(const std::string& AUser, const std::string& APassword);
    void SetName(const std::string& AName);
    // Returns the number of subscribers that received the message.
    std::int64_t Publish(const std::string& AChannel, const std::string& AMessage);
    void Ping();

    // Subscribes and hands every published message to AOnMessage, on this thread. After each
    // quiet AReadTimeout, AContinue decides whether to go on. Returns when AContinue says no;
    // throws on a lost connection or on any reply that is not a published message. An exception
    // raised by AOnMessage is swallowed.
    void Subscribe(const std::string& AChannel, const TOnMessage& AOnMessage, const TContinue& AContinue,
                   std::chrono::milliseconds AReadTimeout);

    // For a caller that must know the subscription is in place before it acts (publishing a
    // request whose reply must not be missed): subscribes and returns once the server has
    // confirmed. Read the messages with NextMessage.
    void Listen(const std::string& AChannel);
    // The next message published on the listened channel, or nothing after AWait without one or
    // when a signal interrupts the wait. Throws on a lost connection or an unexpected reply.
    std::optional<TPublished> NextMessage(std::chrono::milliseconds AWait);

private:
    struct TContextDeleter {
        void operator()(redisContext* AContext) const;
    };

    // Sends one command (its arguments converted for the wire) and fails on an error reply, or,
    // with AExpectOk, on any reply other than OK.
    struct TReplyDeleter {
        void operator()(redisReply* AReply) const;
    };
    using TReply = std::unique_ptr<redisReply, TReplyDeleter>;

    TReply Execute(const std::vector<std::string>& AArgs, bool AExpectOk);
    void SendSubscribe(const std::string& AChannel);
    // One reply that has arrived within AWait, or nothing; a partial reply waits for the rest.
    TReply NextReply(std::chrono::milliseconds AWait);
    [[noreturn]] void ThrowContextError() const;

    std::unique_ptr<redisContext, TContextDeleter> FContext;
    std::chrono::milliseconds FTimeout;
};

}  // namespace korvel
