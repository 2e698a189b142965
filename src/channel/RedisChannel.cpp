#include "channel/RedisChannel.h"

#include "channel/Envelope.h"
#include "channel/RedisConnection.h"
#include "channel/RedisLogin.h"
#include "foundation/Guid.h"
#include "foundation/Log.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"

#include <atomic>
#include <thread>

namespace korvel {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t PingCycles = 50;
constexpr std::int64_t RenewCycles = 60;
constexpr std::int64_t IdentifyCycles = 90;
constexpr std::int64_t CounterLimit = 99'999'999'999;

std::atomic<std::chrono::milliseconds::rep> CyclePauseMs{1000};
std::atomic<std::chrono::milliseconds::rep> ReadTimeoutMs{1000};

std::string Quoted(const std::string& AText)
{
    return "\"" + AText + "\"";
}

// A connection of the current mode, authenticated and named.
std::unique_ptr<TRedisConnection> OpenConnection(const std::string& AName)
{
    return OpenRedisConnection(ChannelState().FTestMode, AName);
}

void RunSubscription(std::int64_t AGeneration)
{
    auto& state = ChannelState();
    try {
        auto connection = OpenConnection(state.FClientId);
        connection->Subscribe(
            TRedisChannel::ChannelPrefix + state.FClientId, HandleEnvelope,
            [AGeneration, &state] { return !UnloadRequested && state.FGeneration == AGeneration; },
            std::chrono::milliseconds(ReadTimeoutMs.load()));
    } catch (const std::exception& error) {
        TLog::Log("Зник зв'язок для " + Quoted(state.FClientId) + "\r\n" + error.what());
    }
}

void PingServer()
{
    try {
        OpenConnection("KORVEL_PING")->Ping();
    } catch (const std::exception& error) {
        TLog::Log(std::string("PING: ") + error.what());
    }
}

// Re-sends from a copy: the handler signs and publishes, which must not happen under the lock.
void ReIdentify()
{
    const auto& onIdentify = ChannelState().OnIdentifyMsg;
    try {
        for (const auto& [serial, key] : ChannelState().FIdentifyList.Snapshot())
            if (onIdentify)
                onIdentify(serial, key);
    } catch (const std::exception& error) {
        TLog::Log(std::string("OnIdentifyMsg: ") + error.what());
    }
}

void MaintenanceLoop()
{
    std::int64_t cycle = 1;
    while (!UnloadRequested) {
        if (cycle % PingCycles == 0)
            PingServer();
        if (cycle % RenewCycles == 0)
            TRedisChannel::SubScribeChannel(true);
        if (cycle % IdentifyCycles == 0)
            ReIdentify();
        if (++cycle > CounterLimit)
            cycle = 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(CyclePauseMs.load()));
    }
}

}  // namespace

void TRedisChannel::Setup(bool ATestMode, const std::string& AClientId, TOnMessage AOnMessage,
                          TOnIdentifyMsg AOnIdentifyMsg)
{
    auto& state = ChannelState();
    state.FTestMode = ATestMode;
    state.FClientId = AClientId;
    state.OnMessage = std::move(AOnMessage);
    state.OnIdentifyMsg = std::move(AOnIdentifyMsg);
}

void TRedisChannel::SubScribeChannel(bool AReconnect)
{
    auto& state = ChannelState();
    if (AReconnect) {
        TLog::Log("Реконнект до " + Quoted(state.FClientId));
        ++state.FGeneration;
    } else {
        TLog::Log("Коннект до " + Quoted(state.FClientId));
    }
    const std::int64_t generation = state.FGeneration;
    TWorkerPool::Shared().Run([generation] { RunSubscription(generation); });
}

void TRedisChannel::RunPingAndReconnectRedis()
{
    TWorkerPool::Shared().Run(MaintenanceLoop);
}

void TRedisChannel::SendData(const std::string& AChannel, const std::string& ASN, const std::string& ATypeMsg,
                             const std::string& AKey, const std::string& AData, bool ARequest)
{
    try {
        auto connection = OpenConnection(AChannel + "SEND");
        connection->Publish(AChannel, BuildEnvelope(ATypeMsg, ASN, AKey, AData, ARequest));
    } catch (const std::exception& error) {
        TLog::Log("SendData (" + ATypeMsg + "): " + error.what());
    }
}

void TRedisChannel::AddSubScribe(const std::string& ASN, const std::string& AInfoJson)
{
    auto& state = ChannelState();
    TLog::Log("Активація ключа " + ASN + " (" + state.FClientId + ")");
    const std::string key = NewGuidText();
    state.FIdentifyList.Put(ASN, key);
    SendData(IdentifyChannel, ASN, "IDENTIFY", key, AInfoJson, true);
}

void TRedisChannel::Deactivate(const std::string& ASN)
{
    TLog::Log("Деактивація ключа " + ASN);
    ChannelState().FIdentifyList.Remove(ASN);
    SendData(IdentifyChannel, ASN, "DEACTIVATE", NewGuidText(), ASN, true);
}

void TRedisChannel::SetPacing(std::chrono::milliseconds ACyclePause, std::chrono::milliseconds AReadTimeout)
{
    CyclePauseMs = ACyclePause.count();
    ReadTimeoutMs = AReadTimeout.count();
}

void TRedisChannel::ResetForTests()
{
    auto& state = ChannelState();
    ++state.FGeneration;  // ends any running subscription at its next read time-out
    state.FIdentifyList.Clear();
    state.OnMessage = nullptr;
    state.OnIdentifyMsg = nullptr;
    state.FClientId.clear();
    state.FTestMode = false;
    SetPacing(1000ms, 1000ms);
}

}  // namespace korvel
