// The built korvelctl (KORVELCTL_PATH) as a child: "sign" loads keys through the real signing library as the
// program does and prints signatures that OpenSSL accepts; failures and bad usage end with their reasons and codes.

#include "SignEnvironment.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/SoftHsmToken.h"
#include "foundation/Base64.h"

#include <openssl/sha.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>

namespace korvel {
namespace {

using test::ProcessResult;

ProcessResult Korvelctl(const std::vector<std::string>& AArgs)
{
    return test::RunProcess(KORVELCTL_PATH, AArgs);
}

std::string Sha256(const std::string& AData)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(AData.data()), AData.size(), digest);
    return {reinterpret_cast<const char*>(digest), sizeof digest};
}

// "name: value" lines of stdout.
std::map<std::string, std::string> Fields(const std::string& AOut)
{
    std::map<std::string, std::string> fields;
    std::istringstream lines(AOut);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos)
            fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return fields;
}

bool Contains(const std::vector<std::string>& AMessages, const std::string& AMessage)
{
    return std::find(AMessages.begin(), AMessages.end(), AMessage) != AMessages.end();
}

// The end of the signer's validity, 31.12.2049 23:59:58 UTC, as this machine's local time.
std::string SignerEndText()
{
    const std::time_t end = std::chrono::system_clock::to_time_t(
        std::chrono::sys_days{std::chrono::year{2049} / 12 / 31} + std::chrono::hours{23} + std::chrono::minutes{59} +
        std::chrono::seconds{58});
    std::tm local{};
    localtime_r(&end, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

class KorvelctlSignTest : public test::SignEnvironment {
protected:
    std::vector<std::string> FileKeyOptions() const
    {
        return {"sign",           "--creator",           test::TestCreator, "--file", WritePkcs12Key().string(),
                "--password-env", "KORVEL_TEST_PASSWORD"};
    }

    test::EnvGuard FPassword{"KORVEL_TEST_PASSWORD", test::KeyPassword};
};

TEST_F(KorvelctlSignTest, Pkcs12KeyPrintsItsCertificateDataAndATimeStampedSignatureThatVerifies)
{
    const ProcessResult run = Korvelctl(FileKeyOptions());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    const auto fields = Fields(run.Out);
    EXPECT_EQ(fields.at("serial"), test::SignerSerial);
    EXPECT_EQ(fields.at("full name"), "Шевченко Тарас Григорович");
    EXPECT_EQ(fields.at("organisation"), "ТОВ \"Кобзар\"");
    EXPECT_EQ(fields.at("DRFO"), "1234567890");
    EXPECT_EQ(fields.at("EDRPOU"), "12345678");
    EXPECT_EQ(fields.at("valid until"), SignerEndText());
    // Signature type 4 by default: the authority's time-stamp server was asked.
    EXPECT_EQ(FTsa.QueryCount(), 1u);
    EXPECT_EQ(Verified(fields.at("signature")), "TEST");
    // The program's log, as it went, on stderr; the authority list came from the web server.
    const auto logged = test::LoggedMessages(run.Err);
    EXPECT_TRUE(Contains(logged, "Отримання списку АЦСК  - виконано")) << run.Err;
    EXPECT_TRUE(Contains(logged, "Ключ загружений успішно (" + test::SignerSerial + ")")) << run.Err;
    EXPECT_EQ(logged.back(), "Вигрузка бібліотеки підпису - виконано") << run.Err;
}

TEST_F(KorvelctlSignTest, SignOptionsChooseWhatIsSignedAndHow)
{
    const std::string contract = "Договір № 17 від 01.03.2025";
    struct TCase {
        std::string Name;
        std::vector<std::string> Options;
        std::string Content;
        bool Detached;
        std::size_t TimeStamps;
    };
    const TCase cases[] = {
        {"data", {"--data", Base64EncodeLine(contract)}, contract, false, 1},
        {"hash", {"--hash", "--data", Base64EncodeLine(Sha256(contract))}, contract, true, 1},
        {"CAdES-BES", {"--sign-type", "1"}, "TEST", false, 0},
        // A content time-stamp is one more query.
        {"content time-stamp", {"--content-timestamp"}, "TEST", false, 2},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        auto args = FileKeyOptions();
        args.insert(args.end(), test.Options.begin(), test.Options.end());
        args.push_back("--signature-only");
        const std::size_t before = FTsa.QueryCount();

        const ProcessResult run = Korvelctl(args);

        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        ASSERT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 1) << run.Out;
        const std::string signature = run.Out.substr(0, run.Out.size() - 1);
        EXPECT_EQ(Verified(signature, test.Detached ? std::optional(test.Content) : std::nullopt), test.Content);
        EXPECT_EQ(FTsa.QueryCount() - before, test.TimeStamps);
    }
}

TEST_F(KorvelctlSignTest, TokenKeyIsFoundByTheNamesThatListMediaShows)
{
    test::SoftHsmToken softHsm;
    softHsm.InitToken("порожній", "1111", "2222");
    softHsm.InitToken("korvel", "1111", "2222");
    softHsm.AddKey("korvel", "2222", test::Signer().Key.get(), test::Signer().Certificate.get(), "01");
    const test::EnvGuard pin{"KORVEL_TEST_PIN", "2222"};

    const ProcessResult list = Korvelctl({"sign", "--list-media"});
    ASSERT_EQ(list.ExitCode, 0) << list.Err;
    const auto fields = Fields(list.Out);
    ASSERT_EQ(fields.count("type 0"), 1u) << list.Out;
    EXPECT_EQ(fields.count("type 1"), 0u) << list.Out;
    const std::string type = fields.at("type 0");
    EXPECT_TRUE((fields.at("  device 0") == "korvel" && fields.at("  device 1") == "порожній") ||
                (fields.at("  device 0") == "порожній" && fields.at("  device 1") == "korvel"))
        << list.Out;

    const ProcessResult run = Korvelctl({"sign", "--creator", test::TestCreator, "--device-type", type, "--device",
                                         "korvel", "--password-env", "KORVEL_TEST_PIN"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Fields(run.Out).at("serial"), test::SignerSerial);
    EXPECT_EQ(Verified(Fields(run.Out).at("signature")), "TEST");
    EXPECT_TRUE(Contains(test::LoggedMessages(run.Err), "Загрузка ключа із device [korvel] " + type)) << run.Err;
}

TEST_F(KorvelctlSignTest, KeyThatCannotBeLoadedExitsWithOneAndTheReason)
{
    struct TCase {
        std::string Name;
        std::vector<std::string> Options;
        std::string Reason;
    };
    const TCase cases[] = {
        {"wrong password",
         {"--creator", test::TestCreator, "--file", WritePkcs12Key().string(), "--password-env", "KORVEL_TEST_WRONG"},
         "ReadKeyFromFile: Невірний пароль до особистого ключа (8)"},
        {"no such file",
         {"--creator", test::TestCreator, "--file", "/nonexistent/ключ.pfx", "--password-env", "KORVEL_TEST_PASSWORD"},
         "Відсутній файл /nonexistent/ключ.pfx"},
        {"no such device",
         {"--creator", test::TestCreator, "--device-type", "0", "--device", "9", "--password-env",
          "KORVEL_TEST_PASSWORD"},
         "no key medium matches type 0, device 9 (korvelctl sign --list-media lists them)"},
    };
    const test::EnvGuard wrong{"KORVEL_TEST_WRONG", "не той пароль"};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        auto args = test.Options;
        args.insert(args.begin(), "sign");

        const ProcessResult run = Korvelctl(args);

        EXPECT_EQ(run.ExitCode, 1) << run.Err;
        EXPECT_EQ(run.Out, "");
        const auto lines = test::LoggedMessages(run.Err);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), test.Reason) << run.Err;
        EXPECT_TRUE(run.Err.ends_with("korvelctl sign: " + test.Reason + "\n")) << run.Err;
        // The library was ended all the same.
        EXPECT_TRUE(Contains(lines, "Вигрузка бібліотеки підпису - виконано")) << run.Err;
    }
}

TEST_F(KorvelctlSignTest, BadUsageExitsWithTwoBeforeTheLibraryStarts)
{
    const std::string key = WritePkcs12Key().string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--file", key, "--password-env", "KORVEL_TEST_PASSWORD"},
        {"--creator", test::TestCreator, "--file", key, "--password", test::KeyPassword},
        {"--creator", test::TestCreator, "--file", key, "--password-env", "KORVEL_TEST_PASSWORD", "--bogus"},
        {"--creator", test::TestCreator, "--file", key, "--password-env", "KORVEL_TEST_PASSWORD", "--hash"},
        {"--creator", test::TestCreator, "--file", key, "--password-env", "KORVEL_TEST_PASSWORD", "--hash", "--data",
         "VEVTVA=="},
        {"--creator", test::TestCreator, "--file", key, "--password-env", "KORVEL_TEST_PASSWORD", "--sign-type", "T"},
        {"--list-media", "--creator", test::TestCreator},
    };
    for (const auto& options : cases) {
        auto args = options;
        args.insert(args.begin(), "sign");
        SCOPED_TRACE(testing::PrintToString(args));

        const ProcessResult run = Korvelctl(args);

        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_TRUE(run.Err.starts_with("korvelctl sign: ")) << run.Err;
        EXPECT_NE(run.Err.find("\nusage: korvelctl sign "), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("Ініціалізація бібліотеки підпису"), std::string::npos) << run.Err;
        EXPECT_EQ(FWeb.Recorded().Count(), 0u);
    }
}

}  // namespace
}  // namespace korvel
