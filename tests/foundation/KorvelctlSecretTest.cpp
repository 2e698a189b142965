// Runs the built korvelctl (KORVELCTL_PATH) the way an operator does.

#include "foundation/SecretScrambler.h"

#include "foundation/Constants.h"
#include "foundation/TextCodec.h"

#include "fixtures/ChildProcess.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::ProcessResult;

ProcessResult RunKorvelctl(const std::vector<std::string>& args)
{
    return test::RunProcess(KORVELCTL_PATH, args);
}

bool CanEncipher(const std::string& secret)
{
    try {
        EncipherStoredSecret(secret);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

TEST(KorvelctlSecret, EncipherPrintsOneLineThatDeciphersBack)
{
    for (const std::string secret :
         {"Secret1", "Секрет: Ґ і Є", "x", "Тест ЇЇ 12345 Києва лист сніг мед хліб", "Таємний ключ: Ґрунт, 2024"}) {
        const ProcessResult run = RunKorvelctl({"secret", "encipher", secret});
        if (!CanEncipher(secret)) {
            // Other fixed values than the defaults may turn a byte of these texts into 0x98.
            EXPECT_EQ(run.ExitCode, 1) << secret;
            continue;
        }
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        ASSERT_FALSE(run.Out.empty());
        EXPECT_EQ(run.Out.back(), '\n');
        const std::string line = run.Out.substr(0, run.Out.size() - 1);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(DecipherStoredSecret(line), secret);
        EXPECT_EQ(line, EncipherStoredSecret(secret));
    }
}

TEST(KorvelctlSecret, DecipherPrintsTheSecret)
{
    const std::string secret = "Ключ 42";
    const ProcessResult run = RunKorvelctl({"secret", "decipher", EncipherStoredSecret(secret)});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, secret + "\n");
}

TEST(KorvelctlSecret, RefusesWhatCannotBeEnciphered)
{
    const ProcessResult run = RunKorvelctl({"secret", "encipher", "中文"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find("Windows-1251"), std::string::npos) << run.Err;
}

TEST(KorvelctlSecret, RefusesASecretWhoseEncipheredFormHolds0x98)
{
    // A one-character secret is all tail: the character whose byte XOR the tail mask is 0x98.
    const std::string secret = AnsiToUtf8(std::string(1, static_cast<char>(0x98 ^ constants::StoredSecretTailMask)));
    ASSERT_THROW(EncipherStoredSecret(secret), std::runtime_error);
    const ProcessResult run = RunKorvelctl({"secret", "encipher", secret});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find("0x98"), std::string::npos) << run.Err;
}

TEST(KorvelctlSecret, BadUsageExitsWithTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{},
                                                                                      {"secret"},
                                                                                      {"secret", "encipher"},
                                                                                      {"secret", "scramble", "x"},
                                                                                      {"secret", "encipher", "a", "b"},
                                                                                      {"no-such-command"}}) {
        const ProcessResult run = RunKorvelctl(args);
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_TRUE(run.Out.empty());
        EXPECT_NE(run.Err.find("usage: korvelctl"), std::string::npos) << run.Err;
    }
}

TEST(KorvelctlSecret, HelpListsTheSecretCommands)
{
    const ProcessResult run = RunKorvelctl({"help"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Out.find("korvelctl secret encipher TEXT"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace korvel
