// korvel-fixtures as scripts run it: a child process that describes the environment it brought up in
// environment.json, serves it until a stop signal, and then leaves nothing running.

#include "fixtures/ChildProcess.h"
#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"
#include "foundation/HttpClient.h"
#include "foundation/Param.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <sstream>

namespace korvel {
namespace {

using nlohmann::json;

class FixturesToolTest : public ::testing::Test {
protected:
    std::filesystem::path Folder() const { return FDir.Path() / "fixtures"; }
    std::filesystem::path Description() const { return Folder() / "environment.json"; }

    // The description once the tool has written it; null when it did not within the time.
    json AwaitDescription() const
    {
        if (!test::WaitUntil([&] { return std::filesystem::exists(Description()); }, 60000))
            return nullptr;
        return json::parse(test::ReadFileBytes(Description()));
    }

    test::TempDir FDir;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "programdata/"};
};

bool RedisAnswers(int APort)
{
    try {
        return test::RedisCommand(APort, {"PING"}) == "PONG";
    } catch (const std::exception&) {
        return false;
    }
}

TEST_F(FixturesToolTest, ServesUntilAStopSignalAndLeavesNothingRunning)
{
    for (const int stop : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sigabbrev_np(stop));
        test::ChildProcess tool(KORVEL_FIXTURES_PATH, {"serve", "--folder", Folder().string(), "--keys", "2",
                                                       "--sign-library", REAL_SIGN_LIBRARY});
        const json description = AwaitDescription();
        ASSERT_FALSE(description.is_null()) << tool.Wait(0).Err;

        const int redisPort = description["redisPort"];
        EXPECT_TRUE(RedisAnswers(redisPort));
        EXPECT_EQ(description["programData"], FDir.Folder() + "programdata/");
        EXPECT_EQ(TParam::GetRedisPort(), redisPort);
        EXPECT_EQ(TParam::GetWebUrl(), description["webUrl"]);
        EXPECT_EQ(TParam::GetTlsCaFile(), description["tlsCaFile"]);
        EXPECT_EQ(TParam::GetSignLibrary(), REAL_SIGN_LIBRARY);

        std::ostringstream list;
        EXPECT_TRUE(HttpGetToStream(TParam::GetWebUrl() + "/certs/cas.json", list, 10));
        const json authority = json::parse(list.str())[0];
        EXPECT_EQ(authority["issuerCNs"][0], description["authority"]);
        const std::string tsaUrl = description["tsaUrl"];
        EXPECT_EQ(tsaUrl, "http://127.0.0.1:" + authority["tspAddressPort"].get<std::string>() + "/");

        ASSERT_EQ(description["keys"].size(), 2u);
        EXPECT_NE(description["keys"][0]["serial"], description["keys"][1]["serial"]);
        for (const auto& key : description["keys"])
            EXPECT_TRUE(std::filesystem::exists(key["file"].get<std::string>())) << key;
        for (const char* file : {"passwordFile", "signingCaFile", "tlsCaFile"})
            EXPECT_TRUE(std::filesystem::exists(description[file].get<std::string>())) << file;

        tool.Signal(stop);
        const test::ProcessResult result = tool.Wait(30000);
        EXPECT_EQ(result.ExitCode, 0) << result.Err;
        EXPECT_NE(result.Out.find("korvel-fixtures: stopped"), std::string::npos) << result.Out;
        EXPECT_FALSE(std::filesystem::exists(Description()));
        EXPECT_FALSE(RedisAnswers(redisPort));
    }
}

TEST_F(FixturesToolTest, RefusesBadUsageAndAMissingProgramDataFolder)
{
    const std::string folder = Folder().string();
    struct Case {
        std::string ProgramData;
        std::vector<std::string> Args;
        int ExitCode;
        std::string Message;
    };
    const Case cases[] = {
        {"set", {}, 2, "the only command is serve"},
        {"set", {"start", "--folder", folder}, 2, "the only command is serve"},
        {"set", {"serve"}, 2, "serve needs --folder DIR"},
        {"set", {"serve", "--folder"}, 2, "--folder needs a value"},
        {"set", {"serve", "--folder", folder, "--keys", "two"}, 2, "--keys needs a whole number"},
        {"set", {"serve", "--folder", folder, "--port", "1"}, 2, "unknown option --port"},
        {"", {"serve", "--folder", folder}, 1, "KORVEL_PROGRAMDATA"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::PrintToString(test.Args));
        test::EnvGuard programData("KORVEL_PROGRAMDATA", test.ProgramData.empty() ? "" : FDir.Folder());
        const test::ProcessResult result = test::RunProcess(KORVEL_FIXTURES_PATH, test.Args);
        EXPECT_EQ(result.ExitCode, test.ExitCode);
        EXPECT_NE(result.Err.find(test.Message), std::string::npos) << result.Err;
        EXPECT_FALSE(std::filesystem::exists(Description()));
    }
}

}  // namespace
}  // namespace korvel
