// The built korvelctl as the agent and as the business server, over a real Redis server, the real signing library,
// a local time-stamp authority and a SoftHSM token: what the server sends on the agent's channel is answered with
// signatures that OpenSSL accepts, and a stop signal deactivates every key.

#include "fixtures/AgentEnvironment.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/CmsVerification.h"
#include "fixtures/RedisServer.h"
#include "fixtures/SoftHsmToken.h"
#include "fixtures/TempDir.h"
#include "foundation/Base64.h"
#include "foundation/Param.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <openssl/sha.h>

#include <algorithm>
#include <csignal>
#include <memory>

namespace korvel {
namespace {

using json = nlohmann::json;
using test::ProcessResult;

const std::string TokenLabel = "korvel";
const std::string Pin = "2222";
const std::string Content = "Договір поставки № 17";

std::string Sha256(const std::string& AData)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(AData.data()), AData.size(), digest);
    return {reinterpret_cast<const char*>(digest), sizeof digest};
}

// Puts the key and certificate of a PKCS#12 file on a token.
void MoveToToken(const test::SoftHsmToken& AToken, const test::DemoKey& AKey, const std::string& APassword)
{
    const test::OpenedPkcs12 opened = test::OpenPkcs12(test::ReadFileBytes(AKey.File), APassword);
    ASSERT_TRUE(opened.Key && opened.Certificate);
    AToken.AddKey(TokenLabel, Pin, opened.Key.get(), opened.Certificate.get(), "01");
}

// An envelope's JSON; the agent writes Windows-1251, so only ASCII members are read.
json Envelope(const std::string& AText)
{
    return json::parse(AText, nullptr, true, false);
}

class KorvelctlAgentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FEnvironment = std::make_unique<test::AgentEnvironment>(FDir.Path() / "environment", REAL_SIGN_LIBRARY);
        FEnvironment->MakeKeys(2);
        TParam::WriteValue("PKCS11_MODULES", test::SoftHsmToken::ModulePath());
        FToken.InitToken(TokenLabel, "1111", Pin);
        MoveToToken(FToken, TokenKey(), FEnvironment->Password());
        // Listening before the agent starts, so that no announcement is missed.
        FIdentify = std::make_unique<test::RedisSubscriber>(FEnvironment->Redis(), "korvel_database_identify");
    }

    const test::DemoKey& FileKey() const { return FEnvironment->Keys()[0]; }
    const test::DemoKey& TokenKey() const { return FEnvironment->Keys()[1]; }

    std::vector<std::string> FileKeyOptions() const
    {
        return {"--key",
                "--creator",
                FEnvironment->AuthorityName(),
                "--file",
                FileKey().File.string(),
                "--password-file",
                FEnvironment->PasswordFile().string()};
    }
    std::vector<std::string> TokenKeyOptions() const
    {
        return {"--key",
                "--creator",
                FEnvironment->AuthorityName(),
                "--device-type",
                "0",
                "--device",
                TokenLabel,
                "--password-env",
                "KORVEL_TEST_PIN"};
    }

    // Starts the agent and waits until every key in ASerials is announced; the agent's client id then is known.
    void StartAgent(const std::vector<std::vector<std::string>>& AKeys, const std::vector<std::string>& ASerials)
    {
        std::vector<std::string> args = {"agent"};
        for (const auto& key : AKeys)
            args.insert(args.end(), key.begin(), key.end());
        FAgent = std::make_unique<test::ChildProcess>(KORVELCTL_PATH, args);
        const auto announcements = FIdentify->WaitFor(ASerials.size(), 30000);
        ASSERT_EQ(announcements.size(), ASerials.size()) << FAgent->Wait(1000).Err;
        for (std::size_t i = 0; i < ASerials.size(); ++i) {
            const json envelope = Envelope(announcements[i]);
            EXPECT_EQ(envelope["message_type"], "IDENTIFY");
            EXPECT_EQ(envelope["serial"], ASerials[i]);
            FClientId = envelope["client_id"];
        }
    }

    // `korvelctl server send` to the agent; AArgs after the type.
    ProcessResult Send(const std::string& AType, const std::vector<std::string>& AArgs) const
    {
        std::vector<std::string> args = {"server", "send", FClientId, AType};
        args.insert(args.end(), AArgs.begin(), AArgs.end());
        return test::RunProcess(KORVELCTL_PATH, args);
    }
    // The reply's envelope.
    json Reply(const std::string& AType, const std::vector<std::string>& AArgs) const
    {
        const ProcessResult run = Send(AType, AArgs);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        return run.ExitCode == 0 ? Envelope(run.Out) : json::object();
    }

    test::CmsVerification Verify(const std::string& ABase64, const test::CmsVerifyOptions& AOptions = {}) const
    {
        return test::VerifyCms(Base64Decode(ABase64), FEnvironment->SigningCaFile(), FDir.Path(), AOptions);
    }

    test::TempDir FDir;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "programdata/"};
    test::EnvGuard FLogFolder{"KORVEL_LOG_DIR", FDir.Folder() + "log/"};
    test::EnvGuard FConfigFolder{"XDG_CONFIG_HOME", FDir.Folder() + "config/"};
    test::EnvGuard FPin{"KORVEL_TEST_PIN", Pin};
    test::SoftHsmToken FToken;
    std::unique_ptr<test::AgentEnvironment> FEnvironment;
    std::unique_ptr<test::RedisSubscriber> FIdentify;
    std::unique_ptr<test::ChildProcess> FAgent;
    std::string FClientId;
};

TEST_F(KorvelctlAgentTest, SignAndSignHashRequestsAreAnsweredWithSignaturesThatVerify)
{
    StartAgent({FileKeyOptions(), TokenKeyOptions()}, {FileKey().Serial, TokenKey().Serial});
    const std::string data = Base64EncodeLine(Content);
    const std::string hash = Base64EncodeLine(Sha256(Content));
    for (const test::DemoKey* key : {&FileKey(), &TokenKey()}) {
        SCOPED_TRACE(key->Serial);
        const json signReply = Reply("SIGN", {"--serial", key->Serial, "--data", data});
        EXPECT_EQ(signReply["serial"], key->Serial);
        const test::CmsVerification signature = Verify(signReply["data"]);
        EXPECT_TRUE(signature.Verified) << signature.Error;
        EXPECT_EQ(signature.Content, Content);

        const json hashReply = Reply("SIGN_HASH", {"--serial", key->Serial, "--data", hash});
        EXPECT_EQ(hashReply["message_type"], "SIGN_HASH");
        const test::CmsVerification hashSignature = Verify(hashReply["data"], {Content});
        EXPECT_TRUE(hashSignature.Verified) << hashSignature.Error;
    }
}

TEST_F(KorvelctlAgentTest, VersionAndLogRequestsDescribeTheAgent)
{
    StartAgent({FileKeyOptions(), TokenKeyOptions()}, {FileKey().Serial, TokenKey().Serial});

    const json version = Reply("VERSION", {"--serial", FileKey().Serial});
    EXPECT_EQ(version["serial"], "");
    const json description = json::parse(version["data"].get<std::string>());
    ASSERT_TRUE(description.is_object()) << description;
    EXPECT_EQ(description["signed"], "");
    EXPECT_EQ(description["channel"], FClientId);
    EXPECT_EQ(description["app_id"], FClientId);
    EXPECT_EQ(description["key_count"], 2);
    EXPECT_EQ(description["key_count_active"], 2);
    EXPECT_GT(description["thread_count"].get<int>(), 1);

    const json log = Reply("LOG", {"--serial", TokenKey().Serial});
    const std::string text = Base64Decode(log["data"].get<std::string>());
    const std::string head = "App ID: " + FClientId + "\r\nSession ID: " + FClientId + "\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("Ключ загружений успішно (" + TokenKey().Serial + ")"), std::string::npos) << text;
}

TEST_F(KorvelctlAgentTest, AnUnknownSerialGetsEmptyDataAndEmptyDataGetsNoReply)
{
    StartAgent({FileKeyOptions()}, {FileKey().Serial});

    const json unknown = Reply("SIGN", {"--serial", "0BADC0DE", "--data", "REFUQQ=="});
    EXPECT_EQ(unknown["serial"], "0BADC0DE");
    EXPECT_EQ(unknown["data"], "");

    const ProcessResult empty = Send("SIGN", {"--serial", FileKey().Serial, "--data", "", "--timeout", "2"});
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_NE(empty.Err.find("no reply within 2 s"), std::string::npos) << empty.Err;

    FAgent->Signal(SIGTERM);
    const ProcessResult agent = FAgent->Wait(30000);
    EXPECT_NE(agent.Err.find(FileKey().Serial + " OnMessage (SIGN): <відсутні дані>"), std::string::npos) << agent.Err;
}

TEST_F(KorvelctlAgentTest, AStopSignalDeactivatesEveryKey)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        FIdentify = std::make_unique<test::RedisSubscriber>(FEnvironment->Redis(), "korvel_database_identify");
        StartAgent({FileKeyOptions(), TokenKeyOptions()}, {FileKey().Serial, TokenKey().Serial});
        FAgent->Signal(signal);
        const ProcessResult agent = FAgent->Wait(30000);
        EXPECT_EQ(agent.ExitCode, 0) << agent.Err;

        std::vector<std::string> deactivated;
        for (const std::string& message : FIdentify->WaitFor(4, 10000)) {
            const json envelope = Envelope(message);
            if (envelope["message_type"] == "DEACTIVATE")
                deactivated.push_back(envelope["serial"]);
        }
        std::sort(deactivated.begin(), deactivated.end());
        std::vector<std::string> expected = {FileKey().Serial, TokenKey().Serial};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(deactivated, expected);
        EXPECT_NE(agent.Err.find("Вигрузка бібліотеки підпису - виконано"), std::string::npos) << agent.Err;
    }
}

TEST_F(KorvelctlAgentTest, AnAgentWithoutAnyUsableKeyStops)
{
    const test::EnvGuard wrongPin{"KORVEL_TEST_PIN", "0000"};
    std::vector<std::string> args = TokenKeyOptions();
    args.insert(args.begin(), "agent");
    const ProcessResult agent = test::RunProcess(KORVELCTL_PATH, args);
    EXPECT_EQ(agent.ExitCode, 1);
    EXPECT_NE(agent.Err.find("ActivateKey: "), std::string::npos) << agent.Err;
    EXPECT_NE(agent.Err.find("no key could be activated"), std::string::npos) << agent.Err;
}

TEST_F(KorvelctlAgentTest, BadUsageIsRefusedBeforeAnythingStarts)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"agent"}, {"agent", "--creator", "x"}, {"agent", "--key"}, {"agent", "--key", "--file", "a.p12"}}) {
        const ProcessResult run = test::RunProcess(KORVELCTL_PATH, args);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_NE(run.Err.find("usage: korvelctl agent"), std::string::npos) << run.Err;
    }
}

}  // namespace
}  // namespace korvel
