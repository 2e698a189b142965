// Runs the built korvelctl (KORVELCTL_PATH) the way an operator does.

#include "foundation/SecretScrambler.h"

#include "foundation/Constants.h"
#include "foundation/TextCodec.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace korvel {
namespace {

struct RunResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fd);
    return text;
}

// Runs korvelctl with the arguments, without a shell; stderr goes to a temporary file so that neither pipe can
// fill while the other is read.
RunResult RunKorvelctl(const std::vector<std::string>& args)
{
    RunResult result;
    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    FILE* errFile = std::tmpfile();
    if (errFile == nullptr)
        return result;

    std::vector<std::string> argvStrings{KORVELCTL_PATH};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(argvStrings.size() + 1);
    for (auto& a : argvStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fileno(errFile), STDERR_FILENO);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, KORVELCTL_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        std::fclose(errFile);
        return result;
    }
    result.Out = ReadAll(outPipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::rewind(errFile);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, errFile)) > 0)
        result.Err.append(buffer, n);
    std::fclose(errFile);
    return result;
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
        const RunResult run = RunKorvelctl({"secret", "encipher", secret});
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
    const RunResult run = RunKorvelctl({"secret", "decipher", EncipherStoredSecret(secret)});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, secret + "\n");
}

TEST(KorvelctlSecret, RefusesWhatCannotBeEnciphered)
{
    const RunResult run = RunKorvelctl({"secret", "encipher", "中文"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find("Windows-1251"), std::string::npos) << run.Err;
}

TEST(KorvelctlSecret, RefusesASecretWhoseEncipheredFormHolds0x98)
{
    // A one-character secret is all tail: the character whose byte XOR the tail mask is 0x98.
    const std::string secret = AnsiToUtf8(std::string(1, static_cast<char>(0x98 ^ constants::StoredSecretTailMask)));
    ASSERT_THROW(EncipherStoredSecret(secret), std::runtime_error);
    const RunResult run = RunKorvelctl({"secret", "encipher", secret});
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
        const RunResult run = RunKorvelctl(args);
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_TRUE(run.Out.empty());
        EXPECT_NE(run.Err.find("usage: korvelctl"), std::string::npos) << run.Err;
    }
}

TEST(KorvelctlSecret, HelpListsTheSecretCommands)
{
    const RunResult run = RunKorvelctl({"help"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Out.find("korvelctl secret encipher TEXT"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace korvel
