// Round trips through the program's server channel, beside the same connection pattern in bare
// hiredis, both against a redis-server of their own on loopback and measured in the same run.
//
//   korvel       the business server publishes a request envelope on the agent's own channel;
//                the program's subscription decodes it and its handler answers with SendData
//                (a new connection per reply) on "korvel_database_" + key.
//   raw hiredis  a bare subscriber answers each request with a new connection + AUTH +
//                CLIENT SETNAME + PUBLISH, then closes it; no envelope, no checksum.

#include "BenchConnection.h"
#include "LatencySummary.h"
#include "RawResponder.h"
#include "RoundTrips.h"

#include "channel/Envelope.h"
#include "channel/RedisChannel.h"
#include "foundation/AppConfig.h"
#include "foundation/Constants.h"
#include "foundation/Guid.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "foundation/ProcessState.h"
#include "foundation/SecretScrambler.h"
#include "foundation/WorkerPool.h"

#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"

#include "BenchOptions.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korvel::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t WarmUpRoundTrips = 50;

struct TOptions {
    std::size_t Count = 1000;
    std::vector<int> InFlight{1, 4};
    std::size_t PayloadBytes = 256;
};

const char* Usage = "usage: korvel_channel_bench [--count N] [--in-flight N[,N...]] [--payload BYTES]\n"
                    "  --count      round trips per row (default 1000)\n"
                    "  --in-flight  requests outstanding at once, one row pair each (default 1,4)\n"
                    "  --payload    bytes of request data (default 256)\n";

TOptions ParseOptions(int AArgc, char** AArgv)
{
    TOptions options;
    bench::ForEachOption(AArgc, AArgv, Usage, [&](const std::string& AName, const std::string& AValue) {
        if (AName == "--count") {
            options.Count = bench::PositiveNumber(AValue, Usage);
        } else if (AName == "--payload") {
            options.PayloadBytes = bench::PositiveNumber(AValue, Usage);
        } else if (AName == "--in-flight") {
            options.InFlight.clear();
            std::istringstream list(AValue);
            for (std::string item; std::getline(list, item, ',');)
                options.InFlight.push_back(static_cast<int>(bench::PositiveNumber(item, Usage)));
        } else {
            return false;
        }
        return true;
    });
    return options;
}

// Base64-looking data, as a signing request carries.
std::string Payload(std::size_t ABytes)
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text(ABytes, 'A');
    for (std::size_t i = 0; i < ABytes; ++i)
        text[i] = Alphabet[(i * 7 + 3) % 64];
    return text;
}

// What the request handler does once it has a result: publish the reply on the request's key.
void AnswerRequest(const std::string&, const std::string& ASN, const std::string& ATypeMsg, const std::string& AKey,
                   const std::string& AData, bool, std::int64_t)
{
    TRedisChannel::SendData(TRedisChannel::ChannelPrefix + AKey, ASN, ATypeMsg, AKey, AData, false);
}

std::string SignRequest(const std::string& AKey, const std::string& APayload)
{
    return nlohmann::json{
        {"message_type", "SIGN"}, {"serial", "BENCH-SN"}, {"key", AKey}, {"checksum", MessageChecksum(AKey)},
        {"data", APayload},       {"is_request", true}}
        .dump();
}

bool IsReplyTo(const std::string& AKey, const std::string& APayload, const std::string& AReply)
{
    const auto reply = nlohmann::json::parse(AReply, nullptr, false);
    return reply.is_object() && reply.value("message_type", "") == "SIGN" && reply.value("key", "") == AKey &&
           reply.value("checksum", "") == MessageChecksum(AKey) && reply.value("data", "") == APayload &&
           reply.value("is_request", true) == false;
}

std::size_t FailureLines(const TLogWindowLines& ALog)
{
    std::size_t count = 0;
    std::istringstream text(ALog.Text());
    for (std::string line; std::getline(text, line);)
        count += line.find("SendData (") != std::string::npos || line.find("Зник зв'язок") != std::string::npos;
    return count;
}

int Run(const TOptions& AOptions)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "Korvel");
    test::EnvGuard programData("KORVEL_PROGRAMDATA", dir.Folder() + "Korvel/");
    test::EnvGuard logDir("KORVEL_LOG_DIR", dir.Folder());
    test::RedisServer redis;
    redis.WriteConfig();
    const std::string password = DecipherStoredSecret(TParam::GetRedisPassword());

    auto log = std::make_shared<TLogWindowLines>();
    TLog::AttachWindowLines(log);
    const std::string clientId = NewGuidText();
    AppConfig() = {std::string(constants::AppVersion), clientId};
    UnloadRequested = false;
    TRedisChannel::Setup(false, clientId, AnswerRequest, nullptr);
    // A short read time-out only makes the subscription notice the end sooner.
    TRedisChannel::SetPacing(1000ms, 100ms);
    TRedisChannel::SubScribeChannel(false);
    if (!test::WaitUntil([&] {
            const auto names = redis.ClientNames();
            return std::find(names.begin(), names.end(), clientId) != names.end();
        }))
        throw std::runtime_error("the program's subscription did not start");

    const std::string rawChannel = TRedisChannel::ChannelPrefix + std::string("raw-") + NewGuidText();
    TRawResponder raw(redis.Port(), password, rawChannel);
    TRequester requester(redis.Port(), password, 10000ms);
    const std::string payload = Payload(AOptions.PayloadBytes);

    auto korvelPlan = [&](const std::string& AKeyPrefix, std::size_t ACount, int AInFlight) {
        return TRoundTripPlan{
            TRedisChannel::ChannelPrefix + clientId,
            AKeyPrefix,
            ACount,
            AInFlight,
            [&](const std::string& AKey) { return SignRequest(AKey, payload); },
            [&](const std::string& AKey, const std::string& AReply) { return IsReplyTo(AKey, payload, AReply); }};
    };
    auto rawPlan = [&](const std::string& AKeyPrefix, std::size_t ACount, int AInFlight) {
        return TRoundTripPlan{rawChannel,
                              AKeyPrefix,
                              ACount,
                              AInFlight,
                              [&](const std::string& AKey) { return AKey + " " + payload; },
                              [&](const std::string&, const std::string& AReply) { return AReply == payload; }};
    };

    const std::size_t replies = 2 * (WarmUpRoundTrips + AOptions.Count * AOptions.InFlight.size());
    std::printf("Channel round trips against a redis-server of its own on 127.0.0.1:%d (%u cores).\n", redis.Port(),
                std::thread::hardware_concurrency());
    std::printf("  korvel       request envelope on the agent's own channel, taken by the program's subscription,\n"
                "               answered by its SendData (new connection + AUTH + CLIENT SETNAME + PUBLISH).\n"
                "  raw hiredis  the same connection pattern per reply, no envelope, no checksum, no config.ini.\n");
    std::printf("Request data %zu bytes; %zu round trips per row after %zu warm-up round trips per path.\n",
                AOptions.PayloadBytes, AOptions.Count, WarmUpRoundTrips);
    std::printf("Every reply opens a new connection: this run leaves about %zu client sockets in TIME_WAIT\n"
                "for a minute, so keep --count to a few thousand.\n\n",
                replies);

    requester.Run(korvelPlan("bench-warm-k-", WarmUpRoundTrips, 1));
    requester.Run(rawPlan("bench-warm-r-", WarmUpRoundTrips, 1));

    std::printf("%s\n", SummaryHeader().c_str());
    int row = 0;
    for (const int inFlight : AOptions.InFlight) {
        const auto korvel = requester.Run(korvelPlan("bench-" + std::to_string(++row) + "-", AOptions.Count, inFlight));
        std::printf("%s\n", SummaryRow("korvel", inFlight, Summarise(korvel.Latencies, korvel.WallTime)).c_str());
        const auto bare = requester.Run(rawPlan("bench-" + std::to_string(++row) + "-", AOptions.Count, inFlight));
        std::printf("%s\n", SummaryRow("raw hiredis", inFlight, Summarise(bare.Latencies, bare.WallTime)).c_str());
        std::fflush(stdout);
    }

    UnloadRequested = true;
    TWorkerPool::Shared().WaitIdle();
    TLog::DetachWindowLines();
    const std::size_t failures = FailureLines(*log) + raw.Failures();
    if (failures > 0)
        std::printf("\n%zu failed replies or lost subscriptions; the log:\n%s\n", failures, log->Text().c_str());
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace korvel::bench

int main(int AArgc, char** AArgv)
{
    return korvel::bench::RunBenchMain("korvel_channel_bench",
                                       [&] { return korvel::bench::Run(korvel::bench::ParseOptions(AArgc, AArgv)); });
}
