// One key's options: what each good combination makes of the key, and the reason given for each bad usage.

#include "cli/KeyOptions.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korvel::cli {
namespace {

using Args = std::vector<std::string>;

const std::string Creator = "Тестовий ЦСК";

// The fields that the options set, for comparison and for readable failures.
std::string Describe(const TPrivateKey& AKey)
{
    std::ostringstream text;
    text << "creator=" << AKey.pkCreatorName << " file?" << AKey.pkIsFile << " file=" << AKey.pkFileName
         << " device=" << AKey.pkDeviceName << " type#=" << AKey.pkTypeIndex << " device#=" << AKey.pkDeviceIndex
         << " login=" << AKey.pkLogin << " edrpou=" << AKey.pkEdrpou << " password=" << AKey.pkPassword
         << " token=" << AKey.pkToken << " save?" << AKey.pkSavePass << " auto?" << AKey.pkAutoStart;
    return text.str();
}

TPrivateKey Key(std::function<void(TPrivateKey&)> AFill)
{
    TPrivateKey key;
    key.pkCreatorName = Creator;
    key.pkPassword = "пароль";
    AFill(key);
    return key;
}

class KeyOptionsTest : public ::testing::Test {
protected:
    std::string PasswordFile(const std::string& AText)
    {
        const auto file = FFolder.Path() / "password";
        test::WriteFileBytes(file, AText);
        return file.string();
    }

    test::TempDir FFolder;
    test::EnvGuard FPassword{"KORVEL_TEST_PASSWORD", "пароль"};
    test::EnvGuard FEmpty{"KORVEL_TEST_EMPTY", ""};
    test::EnvGuard FToken{"KORVEL_TEST_TOKEN", "токен-доступу"};
};

TEST_F(KeyOptionsTest, EachKindOfKeyGetsItsFields)
{
    struct TCase {
        std::string Name;
        Args Options;
        TPrivateKey Expected;
    };
    const Args password = {"--password-env", "KORVEL_TEST_PASSWORD"};
    auto with = [&](Args AOptions) {
        AOptions.insert(AOptions.begin(), {"--creator", Creator});
        AOptions.insert(AOptions.end(), password.begin(), password.end());
        return AOptions;
    };
    const TCase cases[] = {
        {"file", with({"--file", "/keys/ключ.pfx"}), Key([](TPrivateKey& k) {
             k.pkIsFile = true;
             k.pkFileName = "/keys/ключ.pfx";
         })},
        {"file with edrpou", with({"--edrpou", "12345678", "--file", "k.jks"}), Key([](TPrivateKey& k) {
             k.pkIsFile = true;
             k.pkFileName = "k.jks";
             k.pkEdrpou = "12345678";
         })},
        {"device by names", with({"--device-type", "softhsm2", "--device", "токен 1"}), Key([](TPrivateKey& k) {
             k.pkDeviceName = "[токен 1] softhsm2";
             k.pkTypeIndex = -1;
             k.pkDeviceIndex = -1;
         })},
        {"device by indices, leading zeros dropped", with({"--device", "007", "--device-type", "1"}),
         Key([](TPrivateKey& k) {
             k.pkDeviceName = "[7] 1";
             k.pkTypeIndex = 1;
             k.pkDeviceIndex = 7;
         })},
        {"network device with login", with({"--device-type", "0", "--device", "гряда", "--login", "оператор"}),
         Key([](TPrivateKey& k) {
             k.pkDeviceName = "[гряда] 0";
             k.pkTypeIndex = 0;
             k.pkDeviceIndex = -1;
             k.pkLogin = "оператор";
         })},
        {"cloud", with({"--login", "1234567890", "--token-env", "KORVEL_TEST_TOKEN"}), Key([](TPrivateKey& k) {
             k.pkLogin = "1234567890";
             k.pkToken = "токен-доступу";
         })},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        EXPECT_EQ(Describe(ParseKeyOptions(test.Options)), Describe(test.Expected));
    }
}

TEST_F(KeyOptionsTest, PasswordFileLosesOneLineEndOnly)
{
    struct TCase {
        std::string Content;
        std::string Password;
    };
    const TCase cases[] = {
        {"пароль", "пароль"}, {"пароль\n", "пароль"}, {"пароль\r\n", "пароль"}, {"па роль \n\n", "па роль \n"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Content);
        const TPrivateKey key =
            ParseKeyOptions({"--creator", Creator, "--file", "k.p12", "--password-file", PasswordFile(test.Content)});
        EXPECT_EQ(key.pkPassword, test.Password);
    }
}

TEST_F(KeyOptionsTest, PasswordFileDashIsStandardInput)
{
    std::istringstream input("1234\n");
    std::streambuf* const saved = std::cin.rdbuf(input.rdbuf());
    TPrivateKey key;
    try {
        key = ParseKeyOptions({"--creator", Creator, "--device-type", "0", "--device", "0", "--password-file", "-"});
    } catch (...) {
        std::cin.rdbuf(saved);
        throw;
    }
    std::cin.rdbuf(saved);
    EXPECT_EQ(key.pkPassword, "1234");
}

TEST_F(KeyOptionsTest, BadUsageIsRefusedWithItsReason)
{
    struct TCase {
        Args Options;
        std::string Message;
    };
    const std::string file = "k.p12";
    const TCase cases[] = {
        {{}, "--creator is required: the authority that issued the key"},
        {{"--creator", Creator, "--password-env", "KORVEL_TEST_PASSWORD"},
         "no key named: give --file, --device-type with --device, or --login with --token-env"},
        {{"--creator", Creator, "--file", file, "--device-type", "0", "--device", "0"},
         "--file, --device-type with --device, and --token-env name different keys: give one of them"},
        {{"--creator", Creator, "--file", file, "--login", "1", "--token-env", "KORVEL_TEST_TOKEN"},
         "--file, --device-type with --device, and --token-env name different keys: give one of them"},
        {{"--creator", Creator, "--device-type", "0"}, "--device-type and --device go together"},
        {{"--creator", Creator, "--device", "0"}, "--device-type and --device go together"},
        {{"--creator", Creator, "--token-env", "KORVEL_TEST_TOKEN"},
         "a cloud key needs --login: its key id or the owner's DRFO code"},
        {{"--creator", Creator, "--file", file, "--login", "x"},
         "--login is for a device or cloud key, not a key file"},
        {{"--creator", Creator, "--file", file},
         "the key needs a password: --password-env VAR or --password-file PATH"},
        {{"--creator", Creator, "--file", file, "--password-env", "KORVEL_TEST_PASSWORD", "--password-file", "-"},
         "--password-env and --password-file exclude each other"},
        {{"--creator", Creator, "--file", file, "--password", "пароль"},
         "--password is refused: every local user can read the command line; give it with --password-env VAR or "
         "--password-file PATH"},
        {{"--creator", Creator, "--token", "t"},
         "--token is refused: every local user can read the command line; give it with --token-env VAR"},
        {{"--creator", Creator, "--pin", "1"}, "unknown option --pin"},
        {{"--creator", Creator, "k.p12"}, "unexpected argument \"k.p12\""},
        {{"--creator", Creator, "--file", file, "--file", file}, "--file is given twice"},
        {{"--creator", Creator, "--file", file, "--password-env"}, "--password-env needs a value"},
        {{"--creator", "", "--file", file}, "--creator needs a value that is not empty"},
        {{"--creator", Creator, "--device-type", "0", "--device", "4294967296", "--password-env",
          "KORVEL_TEST_PASSWORD"},
         "--device index 4294967296 is too large"},
        {{"--creator", Creator, "--file", file, "--password-env", "KORVEL_TEST_UNSET"},
         "--password-env: the environment variable KORVEL_TEST_UNSET is not set"},
        {{"--creator", Creator, "--file", file, "--password-env", "KORVEL_TEST_EMPTY"},
         "--password-env: the environment variable KORVEL_TEST_EMPTY is empty"},
        {{"--creator", Creator, "--login", "1", "--token-env", "KORVEL_TEST_EMPTY", "--password-env",
          "KORVEL_TEST_PASSWORD"},
         "--token-env: the environment variable KORVEL_TEST_EMPTY is empty"},
        {{"--creator", Creator, "--file", file, "--password-file", PasswordFile("\n")},
         "--password-file: \"" + PasswordFile("\n") + "\" holds no password"},
        {{"--creator", Creator, "--file", file, "--password-file", "/nonexistent/password"},
         "--password-file: cannot read \"/nonexistent/password\": No such file or directory"},
    };
    for (const auto& test : cases) {
        std::string message = "nothing raised";
        try {
            ParseKeyOptions(test.Options);
        } catch (const EUsage& error) {
            message = error.what();
        }
        EXPECT_EQ(message, test.Message);
    }
}

TEST(KeyOptionNames, AreTheOptionsOfOneKey)
{
    for (const char* name : {"--creator", "--file", "--device-type", "--device", "--login", "--token-env", "--edrpou",
                             "--password-env", "--password-file"})
        EXPECT_TRUE(IsKeyOption(name)) << name;
    for (const char* name : {"--password", "--token", "--data", "--key", "creator"})
        EXPECT_FALSE(IsKeyOption(name)) << name;
}

}  // namespace
}  // namespace korvel::cli
