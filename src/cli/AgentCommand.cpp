// korvelctl agent: the program's channel and request handling without a window. The keys given on the command line
// are activated as the program activates them at start (loaded, proven with a test signature, announced), requests
// are answered until SIGINT or SIGTERM, and then every key is deactivated before the library is finalised.

#include "CommandOptions.h"
#include "CommandRegistry.h"
#include "ConsoleLog.h"
#include "KeyOptions.h"
#include "SignLibrarySession.h"

#include "app/KeyActivation.h"
#include "channel/RedisChannel.h"
#include "channel/SignEvent.h"
#include "foundation/AppConfig.h"
#include "foundation/Guid.h"
#include "foundation/Log.h"
#include "foundation/Param.h"
#include "foundation/ProcessInfo.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <pthread.h>

namespace korvel::cli {

namespace {

int RunAgent(const std::vector<std::string>& AArgs);

// How often the log kept for LOG requests is checked for its size, as the window checks its pane.
constexpr std::chrono::seconds LogPaneCheck{60};

// Each key's options follow a "--key" of their own.
const std::string AgentUsage = std::string("agent --key ") + KeyOptionsUsage + " [--key ...]...";

const TCommandGroup AgentGroup{"agent", AgentUsage, RunAgent};

[[maybe_unused]] const bool Registered = RegisterCommandGroup(AgentGroup);

// The arguments of each "--key" group.
std::vector<std::vector<std::string>> KeyGroups(const std::vector<std::string>& AArgs)
{
    std::vector<std::vector<std::string>> groups;
    for (const std::string& arg : AArgs) {
        if (arg == "--key")
            groups.emplace_back();
        else if (groups.empty())
            throw EUsage("expected --key, not \"" + arg + "\"");
        else
            groups.back().push_back(arg);
    }
    if (groups.empty())
        throw EUsage("at least one --key is needed");
    return groups;
}

// SIGINT and SIGTERM blocked in this thread and every thread started after it, so that the main thread alone
// takes them, with sigwait.
class TStopSignals {
public:
    TStopSignals()
    {
        sigemptyset(&FSet);
        sigaddset(&FSet, SIGINT);
        sigaddset(&FSet, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &FSet, &FPrevious);
    }
    ~TStopSignals() { pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr); }
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // The signal taken, or 0 when none came within ATimeout.
    int Wait(std::chrono::seconds ATimeout) const
    {
        const timespec timeout{static_cast<time_t>(ATimeout.count()), 0};
        const int signal = sigtimedwait(&FSet, nullptr, &timeout);
        return signal > 0 ? signal : 0;
    }

private:
    sigset_t FSet{};
    sigset_t FPrevious{};
};

// The channel and the active keys, from start to the end of the last request.
class TAgent {
public:
    explicit TAgent(std::size_t AKeyRecords)
    {
        AppConfig() = {GetAppVersion(), NewGuidText()};
        TSignEvent::SetSigners(FKeys);
        TSignEvent::SetKeyCount(static_cast<int>(AKeyRecords));
        TRedisChannel::Setup(TParam::GetDebug(), AppConfig().acSessionId, TSignEvent::OnMessageFromServer,
                             TSignEvent::OnIdentify);
        TRedisChannel::SubScribeChannel(false);
    }
    // Every key is deactivated (each announced to the server), the channel's loops and the requests still being
    // worked end, and the last signer goes with them.
    ~TAgent()
    {
        DeactivateAllKeys(*FKeys);
        UnloadRequested = true;
        TWorkerPool::Shared().WaitIdle();
        TSignEvent::SetSigners(nullptr);
    }
    TAgent(const TAgent&) = delete;
    TAgent& operator=(const TAgent&) = delete;

    // True when the key is active.
    bool Activate(TPrivateKey AKey)
    {
        ResolveKeyMedia(AKey);
        std::string serial;
        TCertInfoRec certificate;
        if (!ActivateKey(*FKeys, AKey, false, serial, certificate))
            return false;
        std::cout << "Active key: " << serial << " " << certificate.SubjFullName << std::endl;
        return true;
    }

private:
    std::shared_ptr<TActiveKeys> FKeys = std::make_shared<TActiveKeys>();
};

int RunAgent(const std::vector<std::string>& AArgs)
{
    std::vector<TPrivateKey> keys;
    try {
        for (const auto& group : KeyGroups(AArgs))
            keys.push_back(ParseKeyOptions(group));
    } catch (const EUsage& error) {
        return ReportUsage(AgentGroup, error);
    }

    const TStopSignals stopSignals;
    TConsoleLog consoleLog;
    const TSignLibrarySession library;
    std::size_t active = 0;
    {
        TAgent agent(keys.size());
        std::cout << "Session ID: " << AppConfig().acSessionId << std::endl;
        for (std::size_t index = 0; index < keys.size(); ++index) {
            try {
                active += agent.Activate(keys[index]);
            } catch (const std::exception& error) {
                TLog::Log("LoadKey(" + std::to_string(index + 1) + "): " + error.what());
            }
        }
        TRedisChannel::RunPingAndReconnectRedis();
        if (active == 0) {
            std::cerr << "korvelctl agent: no key could be activated\n";
            return ExitFailure;
        }
        std::cout << "Agent running with " << active << " of " << keys.size() << " keys; SIGINT or SIGTERM stops it"
                  << std::endl;
        int signal = 0;
        while ((signal = stopSignals.Wait(LogPaneCheck)) == 0)
            consoleLog.ClearWhenFull();
        std::cout << "Stopping on " << (signal == SIGINT ? "SIGINT" : "SIGTERM") << std::endl;
    }
    return ExitOk;
}

}  // namespace

}  // namespace korvel::cli
