// Request handling against a real Redis server: requests are handed to TSignEvent as the channel
// hands them, and the replies are read off the business server's channels. The signers are
// stand-ins that record their calls and can be told to wait or to fail.

#include "channel/SignEvent.h"
#include "channel/ActiveKeys.h"
#include "channel/Envelope.h"
#include "channel/RedisChannel.h"
#include "foundation/AppConfig.h"
#include "foundation/Base64.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"

#include "ChannelTestGround.h"
#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace korvel {
namespace {

using json = nlohmann::ordered_json;
using test::WaitUntil;

const std::string ClientId = test::ChannelTestClientId;
const std::string OwnChannel = "korvel_database_" + ClientId;
const std::string ServerKey = "server-key";
const std::string ReplyChannel = "korvel_database_" + ServerKey;

// A gate that a signer waits at until the test opens it (or the wait gives up, so a failing test
// never hangs).
class TGate {
public:
    void Open()
    {
        std::lock_guard lock(FLock);
        FOpen = true;
        FChanged.notify_all();
    }
    bool Wait()
    {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, std::chrono::seconds(10), [this] { return FOpen; });
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FOpen = false;
};

struct TSignCall {
    std::string Method;
    std::string Data;
    std::int64_t SignType = 0;
    std::int32_t IncludeTimeStamp = 0;
    std::thread::id Thread;
};

// A signer without a key: answers "sig:" + method + ":" + data, records each call, and on cue
// waits at a gate, raises, or answers "".
class TScriptedSigner : public TSign {
public:
    explicit TScriptedSigner(std::atomic<int>* ADestroyed = nullptr) : FDestroyed(ADestroyed) {}
    ~TScriptedSigner() override
    {
        if (FDestroyed)
            ++*FDestroyed;
    }

    std::string SignData(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp) override
    {
        return Sign("data", AData, ASignType, AIncludeTimeStamp);
    }
    std::string SignHash(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp) override
    {
        return Sign("hash", AData, ASignType, AIncludeTimeStamp);
    }

    std::vector<TSignCall> Calls() const
    {
        std::lock_guard lock(FLock);
        return FCalls;
    }
    bool Started() const { return FStarted; }

    std::shared_ptr<TGate> WaitAt;  // set before use
    std::string Raise;
    bool Fail = false;

private:
    std::string Sign(const std::string& AMethod, const std::string& AData, std::int64_t ASignType,
                     std::int32_t AIncludeTimeStamp)
    {
        {
            std::lock_guard lock(FLock);
            FCalls.push_back({AMethod, AData, ASignType, AIncludeTimeStamp, std::this_thread::get_id()});
        }
        FStarted = true;
        if (WaitAt && !WaitAt->Wait())
            return "gate never opened";
        if (!Raise.empty())
            throw std::runtime_error(Raise);
        return Fail ? "" : "sig:" + AMethod + ":" + AData;
    }

    mutable std::mutex FLock;
    std::vector<TSignCall> FCalls;
    std::atomic<bool> FStarted{false};
    std::atomic<int>* FDestroyed;
};

class SignEventTest : public test::ChannelTestGround {
protected:
    void SetUp() override
    {
        ChannelTestGround::SetUp();
        TRedisChannel::Setup(false, ClientId, TSignEvent::OnMessageFromServer, TSignEvent::OnIdentify);
        TSignEvent::SetSigners(FKeys);
    }

    void TearDown() override
    {
        ChannelTestGround::TearDown();
        TSignEvent::ResetForTests();
    }

    std::shared_ptr<TScriptedSigner> Activate(const std::string& ASN)
    {
        auto signer = std::make_shared<TScriptedSigner>();
        FKeys->Add(ASN, signer);
        return signer;
    }

    // A request as the channel hands it on, on the test's thread.
    static void Request(const std::string& ATypeMsg, const std::string& ASN,
                        const std::string& AData = "REFUQQ==", const std::string& AKey = ServerKey,
                        bool AIncludeTimeStamp = true, std::int64_t ASignType = 4)
    {
        TSignEvent::OnMessageFromServer(OwnChannel, ASN, ATypeMsg, AKey, AData, AIncludeTimeStamp, ASignType);
    }

    // The log lines without their time stamps.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::istringstream text(FLog->Text());
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t stamp = line.find(": ");
            lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
        return lines;
    }
    bool Logged(const std::string& ALine) const
    {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), ALine) != lines.end();
    }

    static json Parsed(const std::string& AMessage) { return json::parse(AMessage); }

    std::shared_ptr<TActiveKeys> FKeys = std::make_shared<TActiveKeys>();
};

TEST_F(SignEventTest, SignRequestsAreSignedByTheirKeyAndAnsweredOnTheRequestersChannel)
{
    struct Case {
        const char* Type;
        const char* Method;
        const char* Request;
    };
    const auto signer = Activate("SN1");
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    const Case cases[] = {{"Sign", "data", "підпису"}, {"sign_hash", "hash", "підпис хешу"}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.Type);
        Request(c.Type, "SN1", "REFUQQ==", ServerKey, i == 0, 1);
        const auto messages = replies.WaitFor(i + 1);
        ASSERT_EQ(messages.size(), i + 1);
        const json reply = Parsed(messages[i]);
        EXPECT_EQ(reply["message_type"], c.Type);
        EXPECT_EQ(reply["serial"], "SN1");
        EXPECT_EQ(reply["key"], ServerKey);
        EXPECT_EQ(reply["is_request"], false);
        EXPECT_EQ(reply["data"], std::string("sig:") + c.Method + ":REFUQQ==");
        EXPECT_TRUE(Logged(std::string("Запит ") + c.Request + " [SN1:" + ServerKey + ": " + ClientId + "] "));
        const TSignCall call = signer->Calls().at(i);
        EXPECT_EQ(call.SignType, 1);
        EXPECT_EQ(call.IncludeTimeStamp, i == 0 ? 1 : 0);
    }
}

TEST_F(SignEventTest, TheClientInTheLogLineIsTheChannelWithoutItsPrefixInAnyCase)
{
    TSignEvent::OnMessageFromServer("KORVEL_Database_client-7", "SN9", "SIGN", ServerKey, "", false, 4);
    EXPECT_TRUE(Logged("Запит підпису [SN9:" + ServerKey + ": client-7] "));
}

TEST_F(SignEventTest, ASignRequestForAKeyThatIsNotActiveIsAnsweredWithEmptyData)
{
    Activate("SN1");
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    Request("SIGN", "SN-UNKNOWN");
    const auto messages = replies.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Parsed(messages[0])["serial"], "SN-UNKNOWN");
    EXPECT_EQ(Parsed(messages[0])["data"], "");
}

TEST_F(SignEventTest, AFailedSignatureIsAnsweredWithEmptyData)
{
    Activate("SN1")->Fail = true;
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    Request("SIGN", "SN1");
    const auto messages = replies.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Parsed(messages[0])["data"], "");
}

// Requests that get no reply are followed by one that does: the first reply must be that one.
TEST_F(SignEventTest, RequestsWithoutAReplyLeaveOnlyTheirLogLine)
{
    const auto signer = Activate("SN1");
    test::RedisSubscriber replies(FRedis, ReplyChannel);

    Request("SIGN", "SN1", "");
    EXPECT_EQ(signer->Calls().size(), 1u) << "the signer logs the missing data itself";
    EXPECT_TRUE(Logged("SN1 OnMessage (SIGN): <відсутні дані>"));

    signer->Raise = "Помилка хмарного сервісу";
    Request("SIGN_HASH", "SN1");
    EXPECT_TRUE(Logged("SN1 OnMessage (SIGN): Помилка хмарного сервісу"));
    signer->Raise.clear();

    const std::size_t linesBefore = LogLines().size();
    for (const char* type : {"VERSION", "LOG"})
        Request(type, "SN-UNKNOWN");
    for (const char* type : {"TEST", "IDENTIFY", "DEACTIVATE"})
        Request(type, "SN1");
    EXPECT_EQ(LogLines().size(), linesBefore);

    Request("SIGN", "SN1", "TEFTVA==");
    const auto messages = replies.WaitFor(1);
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(Parsed(messages[0])["data"], "sig:data:TEFTVA==");
}

TEST_F(SignEventTest, AVersionRequestIsAnsweredWithTheDescriptionObjectAndTheThreadCount)
{
    Activate("SN1");
    TSignEvent::SetKeyCount(3);
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    Request("version", "SN1");
    const auto messages = replies.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    const json reply = Parsed(messages[0]);
    EXPECT_EQ(reply["message_type"], "version");
    EXPECT_EQ(reply["serial"], "");
    const json data = json::parse(reply["data"].get<std::string>());
    ASSERT_TRUE(data.is_object());
    EXPECT_EQ(data["signed"], "");
    EXPECT_EQ(data["key_count"], 3);
    EXPECT_EQ(data["key_count_active"], 1);
    EXPECT_EQ(data.items().begin().key(), "APP");
    EXPECT_EQ((--data.end()).key(), "thread_count");
    EXPECT_GT(data["thread_count"].get<int>(), 0);
}

TEST_F(SignEventTest, ALogRequestIsAnsweredWithTheIdentifiedLogInBase64Lines)
{
    Activate("SN1");
    TLog::Log(std::string(300, 'x'));
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    Request("LOG", "SN1");
    const auto messages = replies.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    const json reply = Parsed(messages[0]);
    EXPECT_EQ(reply["serial"], "");
    const std::string data = reply["data"];
    EXPECT_EQ(data.substr(76, 2), "\r\n");
    const std::string text = Base64Decode(data);
    const std::string head = "App ID: " + ClientId + "\r\nSession ID: " + ClientId + "\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find(std::string(300, 'x')), std::string::npos);
}

TEST_F(SignEventTest, ManyKeyRecordsSendEachRequestToATaskOfItsOwnUnlessThreadsAreSkipped)
{
    struct Case {
        int KeyCount;
        bool SkipThread;
        bool OnTask;
    };
    const auto signer = Activate("SN1");
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    const Case cases[] = {{0, false, false}, {20, false, false}, {21, false, true}, {21, true, false}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.KeyCount);
        TSignEvent::SetKeyCount(c.KeyCount);
        TParam::WriteValue("SKIP_THREAD", c.SkipThread ? "true" : "false");
        Request("SIGN", "SN1");
        ASSERT_EQ(replies.WaitFor(i + 1).size(), i + 1);
        EXPECT_EQ(signer->Calls().at(i).Thread != std::this_thread::get_id(), c.OnTask);
    }
}

// Each signer waits until the other has started: both finish only when they sign at once.
TEST_F(SignEventTest, RequestsForDifferentKeysAreSignedInParallelAboveTheThreshold)
{
    TSignEvent::SetKeyCount(21);
    const auto first = Activate("SN1");
    const auto second = Activate("SN2");
    auto both = std::make_shared<TGate>();
    first->WaitAt = both;
    second->WaitAt = both;
    test::RedisSubscriber replies(FRedis, ReplyChannel);

    Request("SIGN", "SN1");
    Request("SIGN", "SN2");
    ASSERT_TRUE(WaitUntil([&] { return first->Started() && second->Started(); }));
    both->Open();
    const auto messages = replies.WaitFor(2);
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& message : messages)
        EXPECT_EQ(Parsed(message)["data"], "sig:data:REFUQQ==");
}

TEST_F(SignEventTest, DeactivatingAKeyWhileItSignsKeepsItsSignerUntilTheReplyIsSent)
{
    TSignEvent::SetKeyCount(21);
    std::atomic<int> destroyed{0};
    auto gate = std::make_shared<TGate>();
    const TScriptedSigner* signing = nullptr;  // read only while the gate holds the signer
    {
        auto signer = std::make_shared<TScriptedSigner>(&destroyed);
        signer->WaitAt = gate;
        signing = signer.get();
        FKeys->Add("SN1", signer);
    }
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    Request("SIGN", "SN1");
    ASSERT_TRUE(WaitUntil([&] { return signing->Started(); }));

    EXPECT_NE(FKeys->Remove("SN1"), nullptr);  // deactivated: the table's reference is dropped here
    EXPECT_EQ(destroyed, 0);
    gate->Open();
    const auto messages = replies.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Parsed(messages[0])["data"], "sig:data:REFUQQ==");
    TWorkerPool::Shared().WaitIdle();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(SignEventTest, ReIdentificationAnnouncesTheKeyWithItsTestSignature)
{
    const auto signer = Activate("SN1");
    TSignEvent::SetKeyCount(2);
    TParam::SetAutoUpdateFrom(10);
    TParam::SetAutoUpdateTo(11);
    test::RedisSubscriber identify(FRedis, TRedisChannel::IdentifyChannel);

    TSignEvent::OnIdentify("SN1", "guid-1");
    const auto messages = identify.WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    const json envelope = Parsed(messages[0]);
    EXPECT_EQ(envelope["message_type"], "IDENTIFY");
    EXPECT_EQ(envelope["serial"], "SN1");
    EXPECT_EQ(envelope["key"], "guid-1");
    EXPECT_EQ(envelope["is_request"], true);
    const TSignCall call = signer->Calls().at(0);
    EXPECT_EQ(call.Data, "TEST");
    EXPECT_EQ(call.SignType, 4);
    EXPECT_EQ(call.IncludeTimeStamp, 0);

    const json data = json::parse(envelope["data"].get<std::string>());
    ASSERT_TRUE(data.is_array());
    ASSERT_EQ(data.size(), 1u);
    std::vector<std::string> members;
    for (const auto& item : data[0].items())
        members.push_back(item.key());
    EXPECT_EQ(members, (std::vector<std::string>{"APP", "signed", "os", "COMP", "channel", "version", "app_id",
                                                 "key_count", "key_count_active", "auto_update", "auto_update_planner",
                                                 "auto_update_from", "auto_update_to", "auto_update_only_work_day"}));
    EXPECT_EQ(data[0]["signed"], "sig:data:TEST");
    EXPECT_EQ(data[0]["channel"], ClientId);
    EXPECT_EQ(data[0]["app_id"], ClientId);
    EXPECT_EQ(data[0]["APP"], "1.2.3.4");
    EXPECT_EQ(data[0]["key_count"], 2);
    EXPECT_EQ(data[0]["auto_update_from"], "10");
    EXPECT_EQ(data[0]["auto_update_to"], "11");
}

TEST_F(SignEventTest, ReIdentificationOfAGoneOrFailingKeySendsNothing)
{
    Activate("SN2")->Fail = true;
    test::RedisSubscriber identify(FRedis, TRedisChannel::IdentifyChannel);
    EXPECT_NO_THROW(TSignEvent::OnIdentify("SN-GONE", "guid-1"));
    EXPECT_NO_THROW(TSignEvent::OnIdentify("SN2", "guid-2"));
    Activate("SN3");
    TSignEvent::OnIdentify("SN3", "guid-3");
    const auto messages = identify.WaitFor(1);
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(Parsed(messages[0])["key"], "guid-3");
}

// The whole path: a request published on the agent's channel is taken by the subscription and
// answered.
TEST_F(SignEventTest, ARequestPublishedOnTheOwnChannelIsAnswered)
{
    Activate("SN1");
    test::RedisSubscriber replies(FRedis, ReplyChannel);
    TRedisChannel::SubScribeChannel(false);
    const std::string request = json{{"message_type", "SIGN"}, {"serial", "SN1"},
                                     {"key", ServerKey},       {"checksum", MessageChecksum(ServerKey)},
                                     {"data", "REFUQQ=="},     {"is_request", true}}
                                    .dump();
    ASSERT_TRUE(WaitUntil([&] {
        FRedis.Publish(OwnChannel, request);
        return !replies.WaitFor(1, 200).empty();
    }));
    EXPECT_EQ(Parsed(replies.WaitFor(1)[0])["data"], "sig:data:REFUQQ==");
}

}  // namespace
}  // namespace korvel
