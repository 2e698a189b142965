// korvelctl server: plays the business server against a running agent. "send" publishes one request and prints
// the reply; "watch" prints the agents' IDENTIFY and DEACTIVATE announcements and can acknowledge them. Connections
// use config.ini's settings and the mode chosen by DEBUG, as the agent does.

#include "CommandOptions.h"
#include "CommandRegistry.h"

#include "channel/EnvelopeReader.h"
#include "channel/RedisChannel.h"
#include "channel/ServerPeer.h"
#include "foundation/Param.h"
#include "foundation/TextUtils.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <iostream>
#include <optional>
#include <signal.h>

namespace korvel::cli {

namespace {

using namespace std::chrono_literals;

int RunServer(const std::vector<std::string>& AArgs);

const TCommandGroup ServerGroup{
    "server",
    "server send CLIENT_ID TYPE [--serial SN] [--data DATA] [--cades N|null] [--no-content-timestamp] "
    "[--timeout SECONDS] [--data-only]\n"
    "server watch [--ack] [--count N]",
    RunServer};

[[maybe_unused]] const bool Registered = RegisterCommandGroup(ServerGroup);

constexpr const char* ConnectionName = "KORVELCTL";
constexpr int DefaultTimeoutSeconds = 30;
// How often watch looks at the stop request while the channel is quiet.
constexpr auto WatchSlice = 200ms;

volatile std::sig_atomic_t StopRequested = 0;

extern "C" void OnStopSignal(int)
{
    StopRequested = 1;
}

TCades ParseCades(const std::string& AText)
{
    if (AsciiLower(AText) == "null")
        return nullptr;
    if (const auto code = ParseInt64(AText))
        return *code;
    throw EUsage("--cades needs a number or null, not \"" + AText + "\"");
}

// Valid JSON has line breaks only between tokens, so this keeps the envelope's meaning.
std::string OneLine(std::string AText)
{
    std::replace_if(
        AText.begin(), AText.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return AText;
}

TServerPeer Peer()
{
    return TServerPeer(TParam::GetDebug(), ConnectionName);
}

int RunSend(const std::vector<std::string>& AArgs)
{
    if (AArgs.size() < 3 || AArgs[1].empty() || AArgs[2].empty())
        throw EUsage("send needs CLIENT_ID and TYPE");
    const std::string clientId = AArgs[1];
    TServerRequest request = TServerRequest::New(AArgs[2]);
    std::int64_t timeoutSeconds = DefaultTimeoutSeconds;
    bool dataOnly = false;
    TOptionReader options(AArgs, 3);
    while (const auto name = options.NextName()) {
        if (*name == "--serial")
            request.Serial = options.Value(*name);
        else if (*name == "--data")
            request.Data = options.Value(*name);
        else if (*name == "--cades")
            request.Cades = ParseCades(options.Value(*name));
        else if (*name == "--no-content-timestamp")
            request.IncludeContentTimestamp = false;
        else if (*name == "--timeout")
            timeoutSeconds = PositiveNumber(*name, options.Value(*name));
        else if (*name == "--data-only")
            dataOnly = true;
        else
            throw EUsage("unknown option " + *name);
    }

    const auto outcome = Peer().Request(clientId, request, std::chrono::seconds(timeoutSeconds));
    if (!outcome.Reply) {
        std::cerr << "korvelctl server send: no reply within " << timeoutSeconds << " s";
        if (outcome.Receivers == 0)
            std::cerr << " (nobody listens on " << TRedisChannel::ChannelPrefix << clientId << ")";
        std::cerr << '\n';
        return ExitFailure;
    }
    std::cout << (dataOnly ? outcome.Reply->Data : OneLine(outcome.ReplyText)) << '\n';
    return ExitOk;
}

// Prints one announcement and, when asked, acknowledges an IDENTIFY. Returns whether it was an announcement.
bool HandleAnnouncement(const TServerPeer& APeer, const std::string& AText, bool AAcknowledge)
{
    TAgentEnvelope envelope;
    try {
        envelope = DecodeAgentEnvelope(AText);
    } catch (const EEnvelopeError& error) {
        std::cerr << "korvelctl server watch: ignored (" << error.what() << "): " << OneLine(AText) << std::endl;
        return false;
    }
    const std::string type = AsciiUpper(envelope.TypeMsg);
    if (!envelope.IsRequest || (type != "IDENTIFY" && type != "DEACTIVATE")) {
        std::cerr << "korvelctl server watch: ignored (not an announcement): " << OneLine(AText) << std::endl;
        return false;
    }
    std::cout << OneLine(AText) << std::endl;
    if (AAcknowledge && type == "IDENTIFY") {
        try {
            APeer.Acknowledge(envelope);
        } catch (const std::exception& error) {
            std::cerr << "korvelctl server watch: acknowledgement failed: " << error.what() << std::endl;
        }
    }
    return true;
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int RunWatch(const std::vector<std::string>& AArgs)
{
    bool acknowledge = false;
    std::int64_t count = 0;  // 0: until a stop signal
    TOptionReader options(AArgs, 1);
    while (const auto name = options.NextName()) {
        if (*name == "--ack")
            acknowledge = true;
        else if (*name == "--count")
            count = PositiveNumber(*name, options.Value(*name));
        else
            throw EUsage("unknown option " + *name);
    }

    CatchStopSignals();
    const TServerPeer peer = Peer();
    std::int64_t seen = 0;
    peer.Watch([&](const std::string& AText) { seen += HandleAnnouncement(peer, AText, acknowledge) ? 1 : 0; },
               [&] { return !StopRequested && (count == 0 || seen < count); }, WatchSlice);
    return ExitOk;
}

int RunServer(const std::vector<std::string>& AArgs)
{
    try {
        if (!AArgs.empty() && AArgs[0] == "send")
            return RunSend(AArgs);
        if (!AArgs.empty() && AArgs[0] == "watch")
            return RunWatch(AArgs);
        return UsageError(ServerGroup);
    } catch (const EUsage& error) {
        return ReportUsage(ServerGroup, error);
    }
}

}  // namespace

}  // namespace korvel::cli
