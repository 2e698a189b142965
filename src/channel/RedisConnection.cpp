#include "channel/RedisConnection.h"

#include "foundation/TextCodec.h"

#include <cerrno>
#include <hiredis.h>
#include <poll.h>
#include <stdexcept>
#include <sys/time.h>

namespace korvel {
namespace {

using TClock = std::chrono::steady_clock;

timeval ToTimeval(std::chrono::milliseconds ATimeout)
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(ATimeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((ATimeout.count() % 1000) * 1000);
    return value;
}

std::string ReplyText(const redisReply* AReply)
{
    return AReply->str ? std::string(AReply->str, AReply->len) : std::string();
}

bool IsPushOf(const redisReply* AReply, const char* AKind)
{
    return AReply->type == REDIS_REPLY_ARRAY && AReply->elements == 3 &&
           AReply->element[0]->type == REDIS_REPLY_STRING && ReplyText(AReply->element[0]) == AKind;
}

bool IsPublishedMessage(const redisReply* AReply)
{
    return IsPushOf(AReply, "message");
}

bool IsSubscribeConfirmation(const redisReply* AReply)
{
    return IsPushOf(AReply, "subscribe");
}

TRedisConnection::TPublished ToPublished(const redisReply* AReply)
{
    return {AnsiToUtf8(ReplyText(AReply->element[1])), AnsiToUtf8(ReplyText(AReply->element[2]))};
}

}  // namespace

void TRedisConnection::TContextDeleter::operator()(redisContext* AContext) const
{
    redisFree(AContext);
}

void TRedisConnection::TReplyDeleter::operator()(redisReply* AReply) const
{
    freeReplyObject(AReply);
}

TRedisConnection::TRedisConnection(const std::string& AHost, int APort, std::chrono::milliseconds ATimeout)
    : FContext(redisConnectWithTimeout(AHost.c_str(), APort, ToTimeval(ATimeout))), FTimeout(ATimeout)
{
    if (!FContext)
        throw std::runtime_error("Can't allocate redis context");
    if (FContext->err)
        ThrowContextError();
    if (redisSetTimeout(FContext.get(), ToTimeval(ATimeout)) != REDIS_OK)
        ThrowContextError();
}

TRedisConnection::~TRedisConnection() = default;

void TRedisConnection::ThrowContextError() const
{
    const std::string message = FContext->errstr[0] ? FContext->errstr : "Redis connection error";
    throw std::runtime_error(message);
}

TRedisConnection::TReply TRedisConnection::Execute(const std::vector<std::string>& AArgs, bool AExpectOk)
{
    std::vector<std::string> wire;
    std::vector<const char*> argv;
    std::vector<size_t> lengths;
    wire.reserve(AArgs.size());
    for (const std::string& arg : AArgs) {
        wire.push_back(Utf8ToAnsi(arg));
        argv.push_back(wire.back().data());
        lengths.push_back(wire.back().size());
    }
    TReply reply(static_cast<redisReply*>(
        redisCommandArgv(FContext.get(), static_cast<int>(argv.size()), argv.data(), lengths.data())));
    if (!reply)
        ThrowContextError();
    if (reply->type == REDIS_REPLY_ERROR)
        throw std::runtime_error(AnsiToUtf8(ReplyText(reply.get())));
    if (AExpectOk && !(reply->type == REDIS_REPLY_STATUS && ReplyText(reply.get()) == "OK"))
        throw std::runtime_error(AArgs.front() + ": unexpected reply " + AnsiToUtf8(ReplyText(reply.get())));
    return reply;
}

void TRedisConnection::Auth(const std::string& AUser, const std::string& APassword)
{
    Execute({"AUTH", AUser, APassword}, false);
}

void TRedisConnection::SetName(const std::string& AName)
{
    Execute({"CLIENT", "SETNAME", AName}, true);
}

std::int64_t TRedisConnection::Publish(const std::string& AChannel, const std::string& AMessage)
{
    const TReply reply = Execute({"PUBLISH", AChannel, AMessage}, false);
    return reply->type == REDIS_REPLY_INTEGER ? static_cast<std::int64_t>(reply->integer) : 0;
}

void TRedisConnection::Ping()
{
    Execute({"PING"}, false);
}

void TRedisConnection::SendSubscribe(const std::string& AChannel)
{
    const std::string channel = Utf8ToAnsi(AChannel);
    const char* argv[2] = {"SUBSCRIBE", channel.c_str()};
    const size_t lengths[2] = {9, channel.size()};
    if (redisAppendCommandArgv(FContext.get(), 2, argv, lengths) != REDIS_OK)
        ThrowContextError();
    int written = 0;
    while (!written)
        if (redisBufferWrite(FContext.get(), &written) != REDIS_OK)
            ThrowContextError();
}

// The client's own read time-out would leave the connection in a lasting error state, so the
// wait for data is done here, with poll, and the client only reads what has arrived.
TRedisConnection::TReply TRedisConnection::NextReply(std::chrono::milliseconds AWait)
{
    const auto deadline = TClock::now() + AWait;
    for (;;) {
        void* raw = nullptr;
        if (redisGetReplyFromReader(FContext.get(), &raw) != REDIS_OK)
            ThrowContextError();
        if (raw != nullptr)
            return TReply(static_cast<redisReply*>(raw));
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            return nullptr;
        pollfd socket{FContext->fd, POLLIN, 0};
        const int ready = ::poll(&socket, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            return nullptr;
        if (ready < 0)
            throw std::runtime_error("Subscription wait failed");
        if (ready == 0)
            return nullptr;
        if (redisBufferRead(FContext.get()) != REDIS_OK)
            ThrowContextError();
    }
}

void TRedisConnection::Subscribe(const std::string& AChannel, const TOnMessage& AOnMessage, const TContinue& AContinue,
                                 std::chrono::milliseconds AReadTimeout)
{
    SendSubscribe(AChannel);
    for (;;) {
        const TReply reply = NextReply(AReadTimeout);
        if (!reply) {
            if (!AContinue())
                return;
            continue;
        }
        if (IsSubscribeConfirmation(reply.get()))
            continue;
        if (!IsPublishedMessage(reply.get()))
            throw std::runtime_error("Unexpected reply to a subscription");
        try {
            const TPublished message = ToPublished(reply.get());
            AOnMessage(message.Channel, message.Text);
        } catch (...) {
        }
    }
}

void TRedisConnection::Listen(const std::string& AChannel)
{
    SendSubscribe(AChannel);
    const auto deadline = TClock::now() + FTimeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            throw std::runtime_error("SUBSCRIBE: no confirmation from the server");
        const TReply reply = NextReply(left);
        if (!reply)
            continue;
        if (reply->type == REDIS_REPLY_ERROR)
            throw std::runtime_error(AnsiToUtf8(ReplyText(reply.get())));
        if (!IsSubscribeConfirmation(reply.get()))
            throw std::runtime_error("SUBSCRIBE: unexpected reply");
        return;
    }
}

std::optional<TRedisConnection::TPublished> TRedisConnection::NextMessage(std::chrono::milliseconds AWait)
{
    const TReply reply = NextReply(AWait);
    if (!reply)
        return std::nullopt;
    if (!IsPublishedMessage(reply.get()))
        throw std::runtime_error("Unexpected reply to a subscription");
    return ToPublished(reply.get());
}

}  // namespace korvel
