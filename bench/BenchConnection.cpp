#include "BenchConnection.h"

#include <hiredis.h>
#include <stdexcept>
#include <sys/socket.h>
#include <vector>

namespace korvel::bench {
namespace {

struct TReplyDeleter {
    void operator()(redisReply* AReply) const { freeReplyObject(AReply); }
};
using TReply = std::unique_ptr<redisReply, TReplyDeleter>;

timeval ToTimeval(std::chrono::milliseconds ATimeout)
{
    return timeval{static_cast<time_t>(ATimeout.count() / 1000),
                   static_cast<suseconds_t>((ATimeout.count() % 1000) * 1000)};
}

std::string Text(const redisReply* AReply)
{
    return AReply->str ? std::string(AReply->str, AReply->len) : std::string();
}

}  // namespace

void TBenchConnection::TContextDeleter::operator()(redisContext* AContext) const
{
    redisFree(AContext);
}

TBenchConnection::TBenchConnection(int APort, const std::string& APassword, std::chrono::milliseconds ATimeout)
{
    const timeval connectTimeout = ToTimeval(ATimeout.count() > 0 ? ATimeout : std::chrono::milliseconds(5000));
    FContext.reset(redisConnectWithTimeout("127.0.0.1", APort, connectTimeout));
    if (!FContext || FContext->err)
        throw std::runtime_error(FContext ? FContext->errstr : "Can't allocate redis context");
    redisSetTimeout(FContext.get(), ToTimeval(ATimeout));
    Command({"AUTH", "korvel", APassword});
}

TBenchConnection::~TBenchConnection() = default;

void TBenchConnection::Command(std::initializer_list<std::string> AArgs)
{
    std::vector<const char*> argv;
    std::vector<size_t> lengths;
    for (const std::string& arg : AArgs) {
        argv.push_back(arg.data());
        lengths.push_back(arg.size());
    }
    TReply reply(static_cast<redisReply*>(
        redisCommandArgv(FContext.get(), static_cast<int>(argv.size()), argv.data(), lengths.data())));
    if (!reply)
        throw std::runtime_error(FContext->errstr);
    if (reply->type == REDIS_REPLY_ERROR)
        throw std::runtime_error(Text(reply.get()));
}

void TBenchConnection::SetName(const std::string& AName)
{
    Command({"CLIENT", "SETNAME", AName});
}

void TBenchConnection::Publish(const std::string& AChannel, const std::string& AMessage)
{
    Command({"PUBLISH", AChannel, AMessage});
}

void TBenchConnection::Subscribe(const std::string& AChannel)
{
    Command({"SUBSCRIBE", AChannel});
}

void TBenchConnection::PatternSubscribe(const std::string& APattern)
{
    Command({"PSUBSCRIBE", APattern});
}

std::optional<TPublished> TBenchConnection::NextMessage()
{
    for (;;) {
        void* raw = nullptr;
        if (redisGetReply(FContext.get(), &raw) != REDIS_OK || raw == nullptr) {
            if (FContext->err == REDIS_ERR_EOF)
                return std::nullopt;
            throw std::runtime_error(FContext->errstr[0] ? FContext->errstr : "no reply");
        }
        const TReply reply(static_cast<redisReply*>(raw));
        // "message", channel, text  or  "pmessage", pattern, channel, text
        if (reply->type != REDIS_REPLY_ARRAY || reply->elements < 3)
            continue;
        const std::string kind = Text(reply->element[0]);
        if (kind == "message")
            return TPublished{Text(reply->element[1]), Text(reply->element[2])};
        if (kind == "pmessage" && reply->elements == 4)
            return TPublished{Text(reply->element[2]), Text(reply->element[3])};
    }
}

void TBenchConnection::Shutdown()
{
    ::shutdown(FContext->fd, SHUT_RDWR);
}

}  // namespace korvel::bench
