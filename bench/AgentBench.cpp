// SIGN round trips through the whole agent in this process (its subscription, its request
// handling, real signers over the real signing library, its replies), beside the raw Redis limit
// of the same connection pattern, against a redis-server of their own on loopback and measured in
// the same run.
//
//   raw hiredis  a bare subscriber answers each request with a new connection + AUTH +
//                CLIENT SETNAME + PUBLISH; no envelope, no signature.
//   1 key        one active key and one key record: every request is signed on the subscription
//                thread, one after another.
//   N keys       N active keys and N key records: above 20 records each request is signed on a pool
//                task of its own; the requests take the keys in turn.

#include "InProcessAgent.h"
#include "LatencySummary.h"
#include "RawResponder.h"
#include "RoundTrips.h"
#include "SignSeries.h"

#include "channel/RedisChannel.h"
#include "foundation/Base64.h"
#include "foundation/Guid.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "foundation/SecretScrambler.h"
#include "foundation/WorkerPool.h"

#include "fixtures/AgentEnvironment.h"
#include "fixtures/TempDir.h"

#include "BenchOptions.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace korvel::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t WarmUpRoundTrips = 40;
constexpr std::size_t MessagesShown = 20;

struct TOptions {
    std::size_t Count = 300;
    std::size_t Keys = 21;
    std::vector<int> InFlight{1, 8};
    std::int64_t SignType = 1;
    std::size_t DataBytes = 256;
};

const char* Usage = "usage: korvel_agent_bench [--count N] [--keys N] [--in-flight N[,N...]] [--sign-type 1|4]\n"
                    "                          [--data BYTES]\n"
                    "  --count      round trips per row (default 300)\n"
                    "  --keys       active keys of the many-keys rows (default 21; above 20 requests go to the pool)\n"
                    "  --in-flight  requests outstanding at once, one group of rows each (default 1,8)\n"
                    "  --sign-type  1 CAdES-BES (default) or 4 CAdES-T, which adds a time-stamp round trip\n"
                    "  --data       bytes of data signed (default 256)\n";

TOptions ParseOptions(int AArgc, char** AArgv)
{
    TOptions options;
    ForEachOption(AArgc, AArgv, Usage, [&](const std::string& AName, const std::string& AValue) {
        if (AName == "--count") {
            options.Count = PositiveNumber(AValue, Usage);
        } else if (AName == "--keys") {
            options.Keys = PositiveNumber(AValue, Usage);
        } else if (AName == "--data") {
            options.DataBytes = PositiveNumber(AValue, Usage);
        } else if (AName == "--sign-type") {
            options.SignType = static_cast<std::int64_t>(PositiveNumber(AValue, Usage));
            if (options.SignType != 1 && options.SignType != 4)
                throw std::invalid_argument("--sign-type takes 1 or 4\n" + std::string(Usage));
        } else if (AName == "--in-flight") {
            options.InFlight.clear();
            std::istringstream list(AValue);
            for (std::string item; std::getline(list, item, ',');)
                options.InFlight.push_back(static_cast<int>(PositiveNumber(item, Usage)));
        } else {
            return false;
        }
        return true;
    });
    return options;
}

// Data of ABytes bytes as a signing request carries it: base64.
std::string RequestData(std::size_t ABytes)
{
    std::string document(ABytes, ' ');
    for (std::size_t i = 0; i < ABytes; ++i)
        document[i] = static_cast<char>('a' + (i * 7 + 3) % 26);
    return Base64EncodeLine(document);
}

// The messages of the log lines that tell of a failure (a reply not sent, the subscription lost, a
// request or a signature refused, a key not activated), without their time stamps.
std::vector<std::string> FailureMessages(const TLogWindowLines& ALog)
{
    static const char* const Markers[] = {"SendData (", "Зник зв'язок", "OnMessage", "ActivateKey",
                                          "SignData",   "Помилка",      "Не вдалося"};
    std::vector<std::string> messages;
    std::istringstream text(ALog.Text());
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto marked = [&](const char* AMarker) { return line.find(AMarker) != std::string::npos; };
        if (std::any_of(std::begin(Markers), std::end(Markers), marked)) {
            const std::size_t stamp = line.find(": ");
            messages.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
    }
    return messages;
}

// Each distinct message once, in the order first logged, with how often it came.
void PrintFailureMessages(const std::vector<std::string>& AMessages)
{
    if (AMessages.empty())
        return;
    std::vector<std::pair<std::string, std::size_t>> distinct;
    for (const std::string& message : AMessages) {
        const auto known =
            std::find_if(distinct.begin(), distinct.end(), [&](const auto& AEntry) { return AEntry.first == message; });
        if (known == distinct.end())
            distinct.emplace_back(message, 1);
        else
            ++known->second;
    }
    std::printf("\n%zu log lines tell of failures:\n", AMessages.size());
    for (std::size_t i = 0; i < std::min(distinct.size(), MessagesShown); ++i)
        std::printf("  %5zu x %s\n", distinct[i].second, distinct[i].first.c_str());
    if (distinct.size() > MessagesShown)
        std::printf("  ... and %zu more\n", distinct.size() - MessagesShown);
}

std::size_t WarmUpCount(const TOptions& AOptions)
{
    return std::max(WarmUpRoundTrips, AOptions.Keys);
}

std::string KeysPath(std::size_t AKeyCount)
{
    return std::to_string(AKeyCount) + (AKeyCount == 1 ? " key" : " keys");
}

void PrintIntroduction(const TOptions& AOptions, int ARedisPort)
{
    std::printf("SIGN round trips through the agent in this process against a redis-server of its own on\n"
                "127.0.0.1:%d, on a machine with %u cores. The agent is the program's subscription, request\n"
                "handling and signers over the real signing library, with P-256 demo keys.\n",
                ARedisPort, std::thread::hardware_concurrency());
    std::printf("  %-12s the yardstick: the same connection pattern per reply, nothing of the program.\n",
                "raw hiredis");
    std::printf("  %-12s 1 active key, 1 key record: each request signed on the subscription thread.\n", "1 key");
    std::printf("  %-12s %zu active keys, %zu key records, taken in turn: each request signed\n"
                "  %-12s %s.\n",
                KeysPath(AOptions.Keys).c_str(), AOptions.Keys, AOptions.Keys, "",
                TInProcessAgent::RequestsOnPool(AOptions.Keys)
                    ? "on a pool task of its own"
                    : "on the subscription thread (no pool with 20 records or fewer, or with SKIP_THREAD)");
    if (AOptions.SignType == 1)
        std::printf("Signature type 1 (CAdES-BES), no content time-stamp. Type 4 (--sign-type 4) adds a round\n"
                    "trip to the time-stamp authority for every signature.\n");
    else
        std::printf("Signature type 4 (CAdES-T), no content time-stamp: every signature waits for a time stamp\n"
                    "of the local time-stamp authority.\n");
    std::printf("Data %zu bytes; %zu round trips per row after %zu warm-up round trips per path.\n\n",
                AOptions.DataBytes, AOptions.Count, WarmUpCount(AOptions));
}

void PrintRow(const std::string& APath, int AInFlight, const TRoundTripResult& AResult, std::size_t AUnsigned)
{
    std::printf("%s", SummaryRow(APath, AInFlight, Summarise(AResult.Latencies, AResult.WallTime)).c_str());
    if (AUnsigned > 0)
        std::printf("  %zu replies without a signature", AUnsigned);
    std::printf("\n");
    std::fflush(stdout);
}

// The environment, the agent, the yardstick and the business server's side, for one run.
class TAgentBench {
public:
    TAgentBench(const std::filesystem::path& AFolder, const TOptions& AOptions)
        : FOptions(AOptions), FEnvironment(AFolder, KORVEL_SIGN_LIBRARY),
          FPassword(DecipherStoredSecret(TParam::GetRedisPassword())),
          FAgent(FEnvironment, FEnvironment.MakeKeys(AOptions.Keys)),
          FRawChannel(TRedisChannel::ChannelPrefix + std::string("raw-") + NewGuidText()),
          FRaw(FEnvironment.RedisPort(), FPassword, FRawChannel),
          FRequester(FEnvironment.RedisPort(), FPassword, 30000ms), FData(RequestData(AOptions.DataBytes))
    {
    }

    // Prints the table; the number of replies that failed.
    std::size_t Run()
    {
        PrintIntroduction(FOptions, FEnvironment.RedisPort());
        const std::size_t warmUp = WarmUpCount(FOptions);
        RawSeries(warmUp, 1);
        AgentSeries(1, warmUp, 1);
        AgentSeries(FOptions.Keys, warmUp, 1);

        std::size_t failures = 0;
        std::printf("%s\n", SummaryHeader().c_str());
        for (const int inFlight : FOptions.InFlight) {
            PrintRow("raw hiredis", inFlight, RawSeries(FOptions.Count, inFlight), 0);
            for (const std::size_t keys : {std::size_t{1}, FOptions.Keys}) {
                const auto [result, unsignedReplies] = AgentSeries(keys, FOptions.Count, inFlight);
                PrintRow(KeysPath(keys), inFlight, result, unsignedReplies);
                failures += unsignedReplies;
            }
        }
        const std::size_t threads = TWorkerPool::Shared().ThreadCount();
        std::printf("\nThe worker pool holds %zu thread%s after the run; the time-stamp authority answered %zu\n"
                    "requests (%zu of them the keys' test signatures at activation).\n",
                    threads, threads == 1 ? "" : "s", FEnvironment.Tsa().QueryCount(), FOptions.Keys);
        if (FRaw.Failures() > 0)
            std::printf("The raw responder failed %zu times.\n", FRaw.Failures());
        return failures + FRaw.Failures();
    }

private:
    TRoundTripResult RawSeries(std::size_t ACount, int AInFlight)
    {
        return FRequester.Run({FRawChannel, NextKeyPrefix(), ACount, AInFlight,
                               [this](const std::string& AKey) { return AKey + " " + FData; },
                               [this](const std::string&, const std::string& AReply) { return AReply == FData; }});
    }

    // The round trips with the first AKeyCount keys active, and how many replies had no signature.
    std::pair<TRoundTripResult, std::size_t> AgentSeries(std::size_t AKeyCount, std::size_t ACount, int AInFlight)
    {
        FAgent.UseKeys(AKeyCount);
        TSignSeries sign(FAgent.Serials(), AKeyCount, FData, FOptions.SignType);
        auto result = FRequester.Run(
            {FAgent.RequestChannel(), NextKeyPrefix(), ACount, AInFlight,
             [&](const std::string& AKey) { return sign.Request(AKey); },
             [&](const std::string& AKey, const std::string& AReply) { return sign.IsReply(AKey, AReply); }});
        return {std::move(result), sign.Unsigned()};
    }

    std::string NextKeyPrefix() { return "bench-" + std::to_string(++FSeries) + "-"; }

    const TOptions& FOptions;
    test::AgentEnvironment FEnvironment;
    std::string FPassword;
    TInProcessAgent FAgent;
    std::string FRawChannel;
    TRawResponder FRaw;
    TRequester FRequester;
    std::string FData;
    int FSeries = 0;
};

int Run(const TOptions& AOptions)
{
    test::TempDir dir;
    test::EnvGuard programData("KORVEL_PROGRAMDATA", dir.Folder() + "programdata/");
    test::EnvGuard logDir("KORVEL_LOG_DIR", dir.Folder());
    test::EnvGuard configHome("XDG_CONFIG_HOME", dir.Folder() + "config");
    // The log goes to lines kept here: nothing on the screen, no daily file beside the program.
    auto log = std::make_shared<TLogWindowLines>();
    TLog::AttachWindowLines(log);
    std::size_t failures = 0;
    try {
        failures = TAgentBench(dir.Path() / "environment", AOptions).Run();
    } catch (...) {
        TLog::DetachWindowLines();
        PrintFailureMessages(FailureMessages(*log));
        throw;
    }
    TLog::DetachWindowLines();
    const auto failureMessages = FailureMessages(*log);
    PrintFailureMessages(failureMessages);
    if (failures > 0)
        std::printf("%zu replies failed.\n", failures);
    return failures == 0 && failureMessages.empty() ? 0 : 1;
}

}  // namespace
}  // namespace korvel::bench

int main(int AArgc, char** AArgv)
{
    return korvel::bench::RunBenchMain("korvel_agent_bench",
                                       [&] { return korvel::bench::Run(korvel::bench::ParseOptions(AArgc, AArgv)); });
}
