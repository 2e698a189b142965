// Runs the built korvelctl (KORVELCTL_PATH) as the business server against an agent channel run in this process.

#include "channel/ChannelState.h"
#include "channel/Envelope.h"
#include "channel/RedisChannel.h"
#include "foundation/AppConfig.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"

#include "ChannelTestGround.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <mutex>
#include <regex>

namespace korvel {
namespace {

using json = nlohmann::json;
using test::ProcessResult;
using test::WaitUntil;

const std::string ClientId = "{1A2B3C4D-0000-4111-8222-333344445555}";
const std::string OwnChannel = "korvel_database_" + ClientId;
const std::regex GuidForm("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");

ProcessResult Korvelctl(const std::vector<std::string>& AArgs)
{
    return test::RunProcess(KORVELCTL_PATH, AArgs);
}

std::vector<std::string> Lines(const std::string& AText)
{
    std::vector<std::string> lines;
    std::istringstream stream(AText);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// What the agent saw of a request, as it answers it in the tests.
struct SeenRequest {
    std::string TypeMsg;
    std::string Serial;
    std::string Key;
    std::string Data;
    bool IncludeTimeStamp = true;
    std::int64_t SignType = 0;
};

class KorvelctlServerTest : public test::ChannelTestGround {
protected:
    void SetUp() override { ChannelTestGround::SetUp(); }

    // Subscribes the agent's channel; AAnswer replies to every request.
    void StartAgent(std::function<void(const SeenRequest&)> AAnswer, bool ATestMode = false)
    {
        TRedisChannel::Setup(
            ATestMode, ClientId,
            [this, AAnswer](const std::string&, const std::string& ASN, const std::string& ATypeMsg,
                            const std::string& AKey, const std::string& AData, bool AIncludeTimeStamp,
                            std::int64_t ASignType) {
                const SeenRequest seen{ATypeMsg, ASN, AKey, AData, AIncludeTimeStamp, ASignType};
                {
                    std::lock_guard lock(FMutex);
                    FSeen.push_back(seen);
                }
                AAnswer(seen);
            },
            nullptr);
        TRedisChannel::SubScribeChannel(false);
        ASSERT_TRUE(WaitUntil([&] { return Subscribers(OwnChannel) == 1; }));
    }

    // The agent's usual answer: a reply that tells what it saw.
    static void AnswerWhatWasSeen(const SeenRequest& ASeen)
    {
        const std::string data = std::to_string(ASeen.IncludeTimeStamp) + "|" + std::to_string(ASeen.SignType) + "|" +
                                 ASeen.Serial + "|" + ASeen.Data;
        TRedisChannel::SendData(TRedisChannel::ChannelPrefix + ASeen.Key, ASeen.Serial, ASeen.TypeMsg, ASeen.Key, data,
                                false);
    }

    int Subscribers(const std::string& AChannel) const
    {
        const std::string reply = FRedis.Command({"PUBSUB", "NUMSUB", AChannel});
        return std::stoi(reply.substr(reply.find('\n') + 1));
    }

    std::vector<SeenRequest> Seen()
    {
        std::lock_guard lock(FMutex);
        return FSeen;
    }

    test::EnvGuard FLogDir{"KORVEL_LOG_DIR", FDir.Folder()};
    std::mutex FMutex;
    std::vector<SeenRequest> FSeen;
};

TEST_F(KorvelctlServerTest, SendPrintsTheAgentsReplyAsOneLine)
{
    StartAgent(AnswerWhatWasSeen);
    const ProcessResult run = Korvelctl({"server", "send", ClientId, "VERSION", "--serial", "SN1"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    ASSERT_EQ(Seen().size(), 1u);
    const SeenRequest request = Seen()[0];
    EXPECT_EQ(request.TypeMsg, "VERSION");
    EXPECT_EQ(request.Serial, "SN1");
    EXPECT_TRUE(std::regex_match(request.Key, GuidForm)) << request.Key;

    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 1u) << run.Out;
    const json reply = json::parse(lines[0]);
    EXPECT_EQ(reply["message_type"], "VERSION");
    EXPECT_EQ(reply["client_id"], ClientId);
    EXPECT_EQ(reply["key"], request.Key);
    EXPECT_EQ(reply["checksum"], MessageChecksum(request.Key));
    EXPECT_EQ(reply["data"], "1|4|SN1|");
    EXPECT_EQ(reply["is_request"], false);
}

TEST_F(KorvelctlServerTest, SendCarriesTheSigningOptionsAndDataOnlyPrintsTheData)
{
    StartAgent(AnswerWhatWasSeen);
    const struct {
        std::vector<std::string> Args;
        std::string Expected;  // the agent's flag, sign type, serial and data
    } cases[] = {
        {{"SIGN", "--serial", "SN1", "--data", "QUJD"}, "1|4|SN1|QUJD"},
        {{"SIGN", "--data", "ДАНІ", "--cades", "16", "--no-content-timestamp"}, "0|16||ДАНІ"},
        {{"sign_hash", "--data", "aGFzaA==", "--cades", "null"}, "1|4||aGFzaA=="},
        {{"SIGN", "--cades", "1", "--data", "x"}, "1|1||x"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"server", "send", ClientId};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        args.push_back("--data-only");
        const ProcessResult run = Korvelctl(args);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Out, c.Expected + "\n") << c.Args[0];
    }
}

TEST_F(KorvelctlServerTest, SendConnectsInTheModeThatDebugChooses)
{
    // Only the user of the chosen mode can log in: the other mode's password is wrong.
    TParam::WriteValue("DEBUG", "true");
    TParam::WriteValue("REDIS_PASSWORD", "d3Jvbmc=");
    StartAgent(AnswerWhatWasSeen, true);
    const ProcessResult test = Korvelctl({"server", "send", ClientId, "LOG", "--data-only", "--timeout", "5"});
    EXPECT_EQ(test.ExitCode, 0) << test.Err;

    TParam::WriteValue("DEBUG", "false");
    const ProcessResult production = Korvelctl({"server", "send", ClientId, "LOG", "--timeout", "5"});
    EXPECT_EQ(production.ExitCode, 1);
    EXPECT_NE(production.Err.find("WRONGPASS"), std::string::npos) << production.Err;
}

TEST_F(KorvelctlServerTest, SendWithoutAnAgentTimesOut)
{
    const ProcessResult run = Korvelctl({"server", "send", ClientId, "VERSION", "--timeout", "1"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.empty()) << run.Out;
    EXPECT_NE(run.Err.find("no reply within 1 s"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("nobody listens on " + OwnChannel), std::string::npos) << run.Err;
}

TEST_F(KorvelctlServerTest, SendRefusesAReplyWithAWrongChecksum)
{
    StartAgent([this](const SeenRequest& ASeen) {
        const json forged{{"message_type", ASeen.TypeMsg},
                          {"key", ASeen.Key},
                          {"checksum", MessageChecksum(ASeen.Key + "x")},
                          {"data", "forged"},
                          {"is_request", false}};
        FRedis.Publish(TRedisChannel::ChannelPrefix + ASeen.Key, forged.dump());
    });
    const ProcessResult run = Korvelctl({"server", "send", ClientId, "VERSION", "--timeout", "5"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.empty()) << run.Out;
    EXPECT_NE(run.Err.find("checksum is not correct"), std::string::npos) << run.Err;
}

TEST_F(KorvelctlServerTest, SendReportsAnUnreachableServer)
{
    FRedis.Stop();
    const ProcessResult run = Korvelctl({"server", "send", ClientId, "VERSION", "--timeout", "1"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("korvelctl server: "), std::string::npos) << run.Err;
}

TEST_F(KorvelctlServerTest, WatchPrintsAnnouncementsAndAcknowledgesIdentifications)
{
    StartAgent(AnswerWhatWasSeen);
    test::RedisSubscriber ownChannel(FRedis, OwnChannel);
    test::RedisSubscriber identifyChannel(FRedis, TRedisChannel::IdentifyChannel);
    test::ChildProcess watch(KORVELCTL_PATH, {"server", "watch", "--ack", "--count", "2"});
    ASSERT_TRUE(WaitUntil([&] { return Subscribers(TRedisChannel::IdentifyChannel) == 2; }));

    FRedis.Publish(TRedisChannel::IdentifyChannel, "not json");
    FRedis.Publish(TRedisChannel::IdentifyChannel,
                   json{{"message_type", "IDENTIFY"}, {"key", "{K}"}, {"checksum", "0"}, {"is_request", true}}.dump());
    TRedisChannel::Deactivate("SN2");
    TRedisChannel::AddSubScribe("SN1", "[{\"a\":1}]");
    const auto published = identifyChannel.WaitFor(4);
    ASSERT_EQ(published.size(), 4u);
    const std::string pendingKey = json::parse(published[3])["key"];

    const ProcessResult run = watch.Wait();
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 2u) << run.Out;
    EXPECT_EQ(json::parse(lines[0])["message_type"], "DEACTIVATE");
    EXPECT_EQ(json::parse(lines[0])["serial"], "SN2");
    EXPECT_EQ(json::parse(lines[1])["message_type"], "IDENTIFY");
    EXPECT_EQ(json::parse(lines[1])["key"], pendingKey);
    EXPECT_EQ(Lines(run.Err).size(), 2u) << "both bad texts are reported: " << run.Err;

    EXPECT_TRUE(WaitUntil([] { return !ChannelState().FIdentifyList.Find("SN1"); }));
    // A DEACTIVATE is not acknowledged, so the first message on the own channel is the IDENTIFY's.
    const auto acknowledgements = ownChannel.WaitFor(1);
    ASSERT_FALSE(acknowledgements.empty());
    const json acknowledgement = json::parse(acknowledgements[0]);
    EXPECT_EQ(acknowledgement["message_type"], "IDENTIFY");
    EXPECT_EQ(acknowledgement["key"], pendingKey);
    EXPECT_EQ(acknowledgement["checksum"], MessageChecksum(pendingKey));
    EXPECT_EQ(acknowledgement["is_request"], false);
}

TEST_F(KorvelctlServerTest, WatchEndsOnAStopSignal)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        test::ChildProcess watch(KORVELCTL_PATH, {"server", "watch"});
        ASSERT_TRUE(WaitUntil([&] { return Subscribers(TRedisChannel::IdentifyChannel) == 1; }));
        watch.Signal(signal);
        EXPECT_EQ(watch.Wait(10000).ExitCode, 0) << "signal " << signal;
        ASSERT_TRUE(WaitUntil([&] { return Subscribers(TRedisChannel::IdentifyChannel) == 0; }));
    }
}

TEST_F(KorvelctlServerTest, BadUsageExitsWithTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"server"},
             {"server", "fly"},
             {"server", "send", ClientId},
             {"server", "send", ClientId, "VERSION", "--timeout", "0"},
             {"server", "send", ClientId, "VERSION", "--timeout", "1s"},
             {"server", "send", ClientId, "SIGN", "--cades", "four"},
             {"server", "send", ClientId, "SIGN", "--serial"},
             {"server", "send", ClientId, "SIGN", "extra"},
             {"server", "watch", "--count", "-1"},
             {"server", "watch", "--verbose"},
         }) {
        const ProcessResult run = Korvelctl(args);
        EXPECT_EQ(run.ExitCode, 2) << args.back();
        EXPECT_TRUE(run.Out.empty());
        EXPECT_NE(run.Err.find("usage: korvelctl server"), std::string::npos) << run.Err;
    }
}

}  // namespace
}  // namespace korvel
