#include "InProcessAgent.h"

#include "app/KeyActivation.h"
#include "channel/RedisChannel.h"
#include "channel/SignEvent.h"
#include "foundation/AppConfig.h"
#include "foundation/Constants.h"
#include "foundation/Guid.h"
#include "foundation/Param.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"
#include "signing/Sign.h"

#include "fixtures/RedisServer.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace korvel::bench {

using namespace std::chrono_literals;

TInProcessAgent::TInProcessAgent(const test::AgentEnvironment& AEnvironment, const std::vector<test::DemoKey>& AKeys)
    : FClientId(NewGuidText())
{
    AppConfig() = {std::string(constants::AppVersion), FClientId};
    UnloadRequested = false;
    TRedisChannel::Setup(false, FClientId, TSignEvent::OnMessageFromServer, TSignEvent::OnIdentify);
    // A short read time-out only makes the subscription notice the end sooner.
    TRedisChannel::SetPacing(1000ms, 100ms);
    try {
        TSign::InitialLibrary();
        ActivateAll(AEnvironment, AKeys);
        Subscribe(AEnvironment);
    } catch (...) {
        Stop();
        throw;
    }
}

TInProcessAgent::~TInProcessAgent()
{
    Stop();
}

void TInProcessAgent::ActivateAll(const test::AgentEnvironment& AEnvironment, const std::vector<test::DemoKey>& AKeys)
{
    for (const test::DemoKey& key : AKeys) {
        TPrivateKey settings;
        settings.pkIsFile = true;
        settings.pkFileName = key.File.string();
        settings.pkPassword = AEnvironment.Password();
        settings.pkCreatorName = AEnvironment.AuthorityName();
        std::string serial = key.Serial;
        TCertInfoRec certificate;
        if (!ActivateKey(FActivated, settings, false, serial, certificate))
            throw std::runtime_error("the demo key " + key.File.filename().string() + " was not activated");
        FSerials.push_back(serial);
    }
}

void TInProcessAgent::Subscribe(const test::AgentEnvironment& AEnvironment)
{
    TRedisChannel::SubScribeChannel(false);
    const bool subscribed = test::WaitUntil([&] {
        const auto names = AEnvironment.Redis().ClientNames();
        return std::find(names.begin(), names.end(), FClientId) != names.end();
    });
    if (!subscribed)
        throw std::runtime_error("the program's subscription did not start");
}

void TInProcessAgent::Stop()
{
    UnloadRequested = true;
    TWorkerPool::Shared().WaitIdle();
    // Every signer must be gone before the library is unloaded.
    TSignEvent::SetSigners(nullptr);
    FActivated.TakeAll();
    TSign::DeInitialLibrary();
}

std::string TInProcessAgent::RequestChannel() const
{
    return TRedisChannel::ChannelPrefix + FClientId;
}

void TInProcessAgent::UseKeys(std::size_t ACount)
{
    if (ACount == 0 || ACount > FSerials.size())
        throw std::invalid_argument("no such number of activated keys: " + std::to_string(ACount));
    auto active = std::make_shared<TActiveKeys>();
    for (std::size_t i = 0; i < ACount; ++i)
        active->Add(FSerials[i], FActivated.Find(FSerials[i]));
    TSignEvent::SetSigners(std::move(active));
    TSignEvent::SetKeyCount(static_cast<int>(ACount));
}

bool TInProcessAgent::RequestsOnPool(std::size_t AKeyCount)
{
    return AKeyCount > static_cast<std::size_t>(TSignEvent::ThreadThreshold) && !TParam::GetSkipThread();
}

}  // namespace korvel::bench
