#include "foundation/Param.h"

#include "foundation/Constants.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

class ParamTest : public ::testing::Test {
protected:
    std::string ConfigText() const { return test::ReadFileBytes(TParam::FileName()); }
    void WriteConfig(const std::string& AText) const { test::WriteFileBytes(TParam::FileName(), AText); }

    test::TempDir FDir;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "Korvel/"};
    bool FMadeFolder = fs::create_directories(FDir.Path() / "Korvel");
};

TEST_F(ParamTest, FileIsConfigIniInTheProgramDataFolder)
{
    EXPECT_EQ(TParam::FileName(), FDir.Folder() + "Korvel/config.ini");
}

TEST_F(ParamTest, MissingOrEmptyFileGivesDefaults)
{
    for (const char* content : {static_cast<const char*>(nullptr), "", "[OTHER]\nDEBUG=true\n"}) {
        if (content)
            WriteConfig(content);
        EXPECT_TRUE(TParam::GetAutoUpdate());
        EXPECT_TRUE(TParam::GetAutoUpdateOnlyWorkDay());
        EXPECT_FALSE(TParam::GetAutoHide());
        EXPECT_FALSE(TParam::GetAutoUpdatePlanner());
        EXPECT_EQ(TParam::GetAutoUpdateFrom(), 10);
        EXPECT_EQ(TParam::GetAutoUpdateTo(), 11);
        EXPECT_FALSE(TParam::GetDebug());
        EXPECT_FALSE(TParam::GetDisabledCheckInternet());
        EXPECT_FALSE(TParam::GetSetCertificateFolder());
        EXPECT_FALSE(TParam::GetOnlyClientForService());
        EXPECT_FALSE(TParam::GetSkipThread());
        EXPECT_EQ(TParam::GetAppId(), "");
        EXPECT_EQ(TParam::GetAuth(), "");
    }
    EXPECT_FALSE(fs::exists(TParam::FileName()) && ConfigText().find("AUTO_UPDATE") != std::string::npos)
        << "reading never writes defaults back";
}

TEST_F(ParamTest, BooleansAreTrueOnlyForTrueInAnyCase)
{
    const std::pair<const char*, bool> cases[] = {
        {"true", true}, {"TRUE", true}, {"True", true},   {"  tRuE  ", true}, {"1", false},
        {"yes", false}, {"", false},    {"truex", false}, {"ТRUE", false},  // Cyrillic "Т"
    };
    for (const auto& [value, expected] : cases) {
        WriteConfig(std::string("[APP]\nDEBUG=") + value + "\nAUTO_UPDATE=" + value + "\n");
        EXPECT_EQ(TParam::GetDebug(), expected) << value;
        EXPECT_EQ(TParam::GetAutoUpdate(), expected) << value;
    }
}

TEST_F(ParamTest, IntegersAreStrictDecimal)
{
    const std::pair<const char*, int> good[] = {{"0", 0}, {"24", 24}, {"+7", 7}, {"-3", -3}, {" 12 ", 12}};
    for (const auto& [value, expected] : good) {
        WriteConfig(std::string("[APP]\nAUTO_UPDATE_FROM=") + value + "\n");
        EXPECT_EQ(TParam::GetAutoUpdateFrom(), expected) << value;
    }
    for (const char* value : {"abc", "", "10x", "1 0", "0x10", "+-1", "99999999999"}) {
        WriteConfig(std::string("[APP]\nAUTO_UPDATE_TO=") + value + "\n");
        EXPECT_THROW(TParam::GetAutoUpdateTo(), std::runtime_error) << value;
    }
    WriteConfig("[APP]\nAUTO_UPDATE_FROM=abc\n");
    try {
        TParam::GetAutoUpdateFrom();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
}

TEST_F(ParamTest, SettersWriteAndGettersReadBack)
{
    TParam::SetDebug(true);
    TParam::SetDebug(false);
    EXPECT_FALSE(TParam::GetDebug());
    EXPECT_EQ(ConfigText(), "[APP]\nDEBUG=false\n");

    TParam::SetAutoUpdate(false);
    TParam::SetAutoUpdateOnlyWorkDay(false);
    TParam::SetAutoUpdatePlanner(true);
    TParam::SetAutoUpdateFrom(0);
    TParam::SetAutoUpdateTo(24);
    TParam::SetDisabledCheckInternet(true);
    TParam::SetSetCertificateFolder(true);
    TParam::SetAppId("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_FALSE(TParam::GetAutoUpdate());
    EXPECT_FALSE(TParam::GetAutoUpdateOnlyWorkDay());
    EXPECT_TRUE(TParam::GetAutoUpdatePlanner());
    EXPECT_EQ(TParam::GetAutoUpdateFrom(), 0);
    EXPECT_EQ(TParam::GetAutoUpdateTo(), 24);
    EXPECT_TRUE(TParam::GetDisabledCheckInternet());
    EXPECT_TRUE(TParam::GetSetCertificateFolder());
    EXPECT_EQ(TParam::GetAppId(), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
}

TEST_F(ParamTest, WriteKeepsEveryOtherLineAndReplacesTheKeyInAnyCase)
{
    WriteConfig(
        "; settings\r\n[Other]\r\ndebug=keep\r\n[app]\r\nDebug=true\r\nAUTH=Basic x=y\r\n\r\n[Last]\r\nA=1\r\n");
    TParam::SetDebug(false);
    TParam::SetAppId("id");

    EXPECT_EQ(ConfigText(), "; settings\n[Other]\ndebug=keep\n[app]\nDEBUG=false\nAUTH=Basic x=y\nAPP_ID=id\n\n"
                            "[Last]\nA=1\n");
    EXPECT_EQ(TParam::GetAuth(), "Basic x=y");
}

TEST_F(ParamTest, WrittenFileIsPrivateAndNoTemporaryIsLeft)
{
    TParam::SetDebug(true);
    struct stat info {};
    ASSERT_EQ(::stat(TParam::FileName().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir.Path() / "Korvel"), fs::directory_iterator()), 1);
}

void ExpectRefused(const std::function<void()>& AWrite, const std::string& AFileName)
{
    try {
        AWrite();
        FAIL() << "write was not refused";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + AFileName);
    }
}

TEST_F(ParamTest, RefusedWriteRaisesAndLeavesTheFileAsItWas)
{
    WriteConfig("[APP]\nDEBUG=true\n");
    fs::permissions(TParam::FileName(), fs::perms::owner_read | fs::perms::group_read);
    ExpectRefused([] { TParam::SetDebug(false); }, TParam::FileName());
    EXPECT_EQ(ConfigText(), "[APP]\nDEBUG=true\n");
    EXPECT_TRUE(TParam::GetDebug());

    // A value that would break the file's lines is refused too.
    fs::permissions(TParam::FileName(), fs::perms::owner_read | fs::perms::owner_write);
    ExpectRefused([] { TParam::SetAppId("a\nDEBUG=false"); }, TParam::FileName());
    EXPECT_EQ(ConfigText(), "[APP]\nDEBUG=true\n");
}

TEST_F(ParamTest, WriteIntoAMissingFolderIsRefused)
{
    test::EnvGuard missing("KORVEL_PROGRAMDATA", FDir.Folder() + "absent/Korvel/");
    ExpectRefused([] { TParam::SetDebug(true); }, FDir.Folder() + "absent/Korvel/config.ini");
    EXPECT_FALSE(fs::exists(FDir.Path() / "absent"));
}

TEST_F(ParamTest, RunTimeOverridesFallBackToBuildSettings)
{
    struct Case {
        const char* Key;
        std::function<std::string()> Get;
        std::string_view Default;
    };
    const std::string port = std::to_string(constants::RedisPort);
    const Case cases[] = {
        {"REDIS_HOST", TParam::GetRedisHost, constants::RedisHost},
        {"REDIS_TEST_HOST", TParam::GetRedisTestHost, constants::RedisTestHost},
        {"REDIS_PORT", [] { return std::to_string(TParam::GetRedisPort()); }, port},
        {"REDIS_PASSWORD", TParam::GetRedisPassword, constants::RedisPassword},
        {"REDIS_TEST_PASSWORD", TParam::GetRedisTestPassword, constants::RedisTestPassword},
        {"WEB_URL", TParam::GetWebUrl, constants::WebUrl},
        {"WEB_TEST_URL", TParam::GetWebTestUrl, constants::WebTestUrl},
        {"API_URL", TParam::GetApiUrl, constants::ApiUrl},
        {"DOCS_URL", TParam::GetDocsUrl, constants::DocsUrl},
        {"SERVICE_URL", TParam::GetServiceUrl, constants::ServiceUrl},
        {"TLS_CA_FILE", TParam::GetTlsCaFile, ""},
        {"SIGN_LIBRARY", TParam::GetSignLibrary, constants::SignLibrary},
        {"PKCS11_MODULES", TParam::GetPkcs11Modules, ""},
    };
    for (const Case& c : cases) {
        fs::remove(TParam::FileName());
        EXPECT_EQ(c.Get(), c.Default) << c.Key;
        TParam::WriteValue(c.Key, "6379");
        EXPECT_EQ(c.Get(), "6379") << c.Key;
    }
}

}  // namespace
}  // namespace korvel
