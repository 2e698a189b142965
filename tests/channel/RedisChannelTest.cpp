#include "channel/RedisChannel.h"
#include "channel/ChannelState.h"
#include "channel/Envelope.h"
#include "foundation/AppConfig.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "foundation/ProcessState.h"
#include "foundation/TextCodec.h"
#include "foundation/WorkerPool.h"

#include "ChannelTestGround.h"
#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

namespace korvel {
namespace {

using namespace std::chrono_literals;
using json = nlohmann::json;
using test::WaitUntil;

const std::string ClientId = test::ChannelTestClientId;
const std::string OwnChannel = "korvel_database_" + ClientId;

class RedisChannelTest : public test::ChannelTestGround {
protected:
    void SetUp() override
    {
        ChannelTestGround::SetUp();
        TRedisChannel::Setup(
            false, ClientId,
            [this](const std::string&, const std::string& ASN, const std::string& ATypeMsg, const std::string& AKey,
                   const std::string& AData, bool, std::int64_t) {
                std::lock_guard lock(FMutex);
                FRequests.push_back(ATypeMsg + "|" + ASN + "|" + AKey + "|" + AData);
            },
            [this](const std::string& ASN, const std::string& AKey) {
                {
                    std::lock_guard lock(FMutex);
                    FReIdentified.push_back(ASN + "|" + AKey);
                }
                TRedisChannel::SendData(TRedisChannel::IdentifyChannel, ASN, "IDENTIFY", AKey, "[{}]", true);
            });
    }

    std::vector<std::string> Requests()
    {
        std::lock_guard lock(FMutex);
        return FRequests;
    }
    std::vector<std::string> ReIdentified()
    {
        std::lock_guard lock(FMutex);
        return FReIdentified;
    }
    std::size_t LogCount(const std::string& APrefix) const
    {
        std::size_t count = 0;
        std::istringstream text(FLog->Text());
        for (std::string line; std::getline(text, line);)
            count += line.find(": " + APrefix) != std::string::npos;
        return count;
    }
    std::size_t SubscriptionCount() const
    {
        const auto names = FRedis.ClientNames();
        return static_cast<std::size_t>(std::count(names.begin(), names.end(), ClientId));
    }
    static std::string SignRequest(const std::string& AKey, const std::string& AData = "REFUQQ==")
    {
        return json{{"message_type", "SIGN"}, {"serial", "SN1"},   {"key", AKey}, {"checksum", MessageChecksum(AKey)},
                    {"data", AData},          {"is_request", true}}
            .dump();
    }
    static std::string Acknowledgement(const std::string& AKey)
    {
        return json{
            {"message_type", "IDENTIFY"}, {"key", AKey}, {"checksum", MessageChecksum(AKey)}, {"is_request", false}}
            .dump();
    }
    // Publishes until the subscription has taken one request with this key.
    bool Delivered(const std::string& AKey)
    {
        return WaitUntil([&] {
            FRedis.Publish(OwnChannel, SignRequest(AKey));
            const auto all = Requests();
            return std::any_of(all.begin(), all.end(),
                               [&](const std::string& r) { return r.find("|" + AKey + "|") != std::string::npos; });
        });
    }

    std::mutex FMutex;
    std::vector<std::string> FRequests;
    std::vector<std::string> FReIdentified;
};

TEST_F(RedisChannelTest, SubscriptionHandsRequestsToTheHandler)
{
    TRedisChannel::SubScribeChannel(false);
    ASSERT_TRUE(WaitUntil([&] { return SubscriptionCount() == 1; })) << "the subscription is named the client id";
    FRedis.Publish(OwnChannel, Utf8ToAnsi(SignRequest("{K1}", "ДАНІ")));  // the server writes Windows-1251
    FRedis.Publish(OwnChannel, "not json");
    FRedis.Publish(OwnChannel, SignRequest("{K2}"));

    ASSERT_TRUE(WaitUntil([&] { return Requests().size() == 2; }));
    EXPECT_EQ(Requests()[0], "SIGN|SN1|{K1}|ДАНІ") << "Cyrillic survives the Windows-1251 wire";
    EXPECT_EQ(Requests()[1], "SIGN|SN1|{K2}|REFUQQ==");
    EXPECT_EQ(LogCount("Коннект до \"" + ClientId + "\""), 1u);
}

TEST_F(RedisChannelTest, SendDataPublishesTheEnvelopeOnANamedConnection)
{
    test::RedisSubscriber reply(FRedis, "korvel_database_{K9}");
    TRedisChannel::SendData("korvel_database_{K9}", "SN1", "sign", "{K9}", "SIGNATURE", false);

    const auto messages = reply.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    const json envelope = json::parse(messages[0]);
    EXPECT_EQ(envelope["message_type"], "sign");
    EXPECT_EQ(envelope["serial"], "SN1");
    EXPECT_EQ(envelope["client_id"], ClientId);
    EXPECT_EQ(envelope["checksum"], MessageChecksum("{K9}"));
    EXPECT_EQ(envelope["data"], "SIGNATURE");
    EXPECT_EQ(envelope["is_request"], false);
}

TEST_F(RedisChannelTest, TestModeAuthenticatesAsTheTestUser)
{
    TRedisChannel::Setup(true, ClientId, nullptr, nullptr);
    TRedisChannel::SubScribeChannel(false);
    ASSERT_TRUE(WaitUntil([&] { return SubscriptionCount() == 1; }));
    EXPECT_NE(FRedis.Command({"CLIENT", "LIST"}).find("name=" + ClientId + " "), std::string::npos);
    const std::string list = FRedis.Command({"CLIENT", "LIST"});
    const auto line = list.substr(list.find("name=" + ClientId));
    EXPECT_NE(line.substr(0, line.find('\n')).find("user=dodoviviv"), std::string::npos);
}

TEST_F(RedisChannelTest, IdentificationStaysPendingUntilAcknowledgedAndIsResent)
{
    TRedisChannel::SetPacing(2ms, 100ms);
    test::RedisSubscriber identify(FRedis, TRedisChannel::IdentifyChannel);
    TRedisChannel::SubScribeChannel(false);
    TRedisChannel::AddSubScribe("SN1", "[{\"a\":1}]");
    const auto first = identify.WaitFor(1);
    ASSERT_EQ(first.size(), 1u);
    const std::string key = json::parse(first[0])["key"];
    EXPECT_EQ(ChannelState().FIdentifyList.Find("SN1"), key);
    EXPECT_EQ(LogCount("Активація ключа SN1 (" + ClientId + ")"), 1u);

    TRedisChannel::RunPingAndReconnectRedis();
    ASSERT_TRUE(WaitUntil([&] { return ReIdentified().size() >= 2; }));
    EXPECT_EQ(ReIdentified()[0], "SN1|" + key);
    EXPECT_EQ(ReIdentified()[1], "SN1|" + key);
    ASSERT_GE(identify.WaitFor(3).size(), 3u);
    EXPECT_EQ(json::parse(identify.WaitFor(3)[2])["key"], key) << "re-sends reuse the message key";

    // The server acknowledges on the own channel; the current subscription must be up to take it.
    ASSERT_TRUE(Delivered("{SYNC}"));
    FRedis.Publish(OwnChannel, Acknowledgement(key));
    ASSERT_TRUE(WaitUntil([&] { return !ChannelState().FIdentifyList.Find("SN1"); }));
    const std::size_t resent = ReIdentified().size();
    std::this_thread::sleep_for(600ms);  // more than three re-identification periods
    EXPECT_EQ(ReIdentified().size(), resent);
}

TEST_F(RedisChannelTest, ReactivationReplacesTheKeyAndDeactivationStopsResends)
{
    test::RedisSubscriber identify(FRedis, TRedisChannel::IdentifyChannel);
    TRedisChannel::AddSubScribe("SN1", "[]");
    TRedisChannel::AddSubScribe("SN1", "[]");
    const auto messages = identify.WaitFor(2);
    ASSERT_EQ(messages.size(), 2u);
    const std::string firstKey = json::parse(messages[0])["key"];
    const std::string secondKey = json::parse(messages[1])["key"];
    EXPECT_NE(firstKey, secondKey);
    EXPECT_EQ(ChannelState().FIdentifyList.Find("SN1"), secondKey);

    TRedisChannel::Deactivate("SN1");
    TRedisChannel::Deactivate("SN2");  // not pending: still announced
    const auto all = identify.WaitFor(4);
    ASSERT_EQ(all.size(), 4u);
    const json deactivation = json::parse(all[2]);
    EXPECT_EQ(deactivation["message_type"], "DEACTIVATE");
    EXPECT_EQ(deactivation["data"], "SN1");
    EXPECT_EQ(deactivation["is_request"], true);
    EXPECT_EQ(json::parse(all[3])["serial"], "SN2");
    EXPECT_FALSE(ChannelState().FIdentifyList.Find("SN1"));
    EXPECT_EQ(LogCount("Деактивація ключа SN1"), 1u);

    TRedisChannel::SetPacing(2ms, 100ms);
    TRedisChannel::RunPingAndReconnectRedis();
    std::this_thread::sleep_for(600ms);
    EXPECT_TRUE(ReIdentified().empty());
}

TEST_F(RedisChannelTest, RenewalReplacesTheSubscriptionAndTheOldOneEnds)
{
    TRedisChannel::SetPacing(5ms, 100ms);
    TRedisChannel::SubScribeChannel(false);
    ASSERT_TRUE(WaitUntil([&] { return SubscriptionCount() == 1; }));
    TRedisChannel::RunPingAndReconnectRedis();
    ASSERT_TRUE(WaitUntil([&] { return LogCount("Реконнект до \"" + ClientId + "\"") >= 2; }));
    EXPECT_GE(ChannelState().FGeneration.load(), 2);
    // Old subscriptions end at their next read time-out: at most the current one and one ending.
    EXPECT_TRUE(WaitUntil([&] { return SubscriptionCount() <= 2; }));
    EXPECT_TRUE(Delivered("{AFTER-RENEWAL}"));
}

TEST_F(RedisChannelTest, LostServerIsLoggedAndRequestsFlowAgainAfterTheNextRenewal)
{
    TRedisChannel::SetPacing(10ms, 100ms);
    TRedisChannel::SubScribeChannel(false);
    ASSERT_TRUE(Delivered("{BEFORE}"));

    FRedis.Stop();
    ASSERT_TRUE(WaitUntil([&] { return LogCount("Зник зв'язок для \"" + ClientId + "\"") >= 1; }));
    const std::string text = FLog->Text();
    EXPECT_NE(text.find("Зник зв'язок для \"" + ClientId + "\"\r\n"), std::string::npos);

    FRedis.Start();
    TRedisChannel::RunPingAndReconnectRedis();
    EXPECT_TRUE(Delivered("{AFTER}"));
}

TEST_F(RedisChannelTest, PublishingToADeadServerIsLoggedAndTheKeyStaysPending)
{
    FRedis.Stop();
    TRedisChannel::AddSubScribe("SN1", "[]");
    EXPECT_EQ(LogCount("SendData (IDENTIFY): "), 1u);
    EXPECT_TRUE(ChannelState().FIdentifyList.Find("SN1"));
}

TEST_F(RedisChannelTest, RefusedPasswordEndsTheSubscriptionWithTheServersMessage)
{
    TParam::WriteValue("REDIS_PASSWORD", "d3Jvbmc=");
    TRedisChannel::SubScribeChannel(false);
    ASSERT_TRUE(WaitUntil([&] { return LogCount("Зник зв'язок для") == 1; }));
    EXPECT_NE(FLog->Text().find("WRONGPASS"), std::string::npos);
}

TEST_F(RedisChannelTest, NothingRunsAfterUnloadIsRequested)
{
    TRedisChannel::SetPacing(5ms, 100ms);
    TRedisChannel::AddSubScribe("SN1", "[]");
    TRedisChannel::SubScribeChannel(false);
    TRedisChannel::RunPingAndReconnectRedis();
    ASSERT_TRUE(WaitUntil([&] { return !ReIdentified().empty(); }));

    UnloadRequested = true;
    TWorkerPool::Shared().WaitIdle();
    const std::size_t renewals = LogCount("Реконнект до");
    const std::size_t resends = ReIdentified().size();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(LogCount("Реконнект до"), renewals);
    EXPECT_EQ(ReIdentified().size(), resends);
    EXPECT_EQ(SubscriptionCount(), 0u);
}

}  // namespace
}  // namespace korvel
