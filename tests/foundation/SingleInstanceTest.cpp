#include "foundation/SingleInstance.h"

#include "fixtures/TempDir.h"
#include "foundation/ProcessInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace korvel {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void TearDown() override { SingleInstanceMutex().Close(); }

    // Whether another process could take the lock now.
    bool OtherProcessCanLock(const std::string& AName) const
    {
        const std::string command = "flock -n '" + FRuntime.Folder() + AName + "' true";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    test::TempDir FRuntime;
    test::EnvGuard FRuntimeDir{"XDG_RUNTIME_DIR", FRuntime.Path().string()};
};

TEST_F(SingleInstanceTest, FirstCallHoldsTheLockAndTheSecondIsRefused)
{
    EXPECT_TRUE(CheckSingleInstance("Korvel_operator"));
    EXPECT_FALSE(CheckSingleInstance("Korvel_operator"));
    EXPECT_TRUE(SingleInstanceMutex().Holds("Korvel_operator"));
    EXPECT_FALSE(OtherProcessCanLock("Korvel_operator"));
}

TEST_F(SingleInstanceTest, AnotherUsersNameIsAnotherLock)
{
    EXPECT_TRUE(CheckSingleInstance("Korvel_operator"));
    EXPECT_TRUE(CheckSingleInstance("Korvel_other"));
}

TEST_F(SingleInstanceTest, CloseLetsTheNextInstanceStart)
{
    ASSERT_TRUE(CheckSingleInstance("Korvel_operator"));
    SingleInstanceMutex().Close();
    EXPECT_TRUE(OtherProcessCanLock("Korvel_operator"));
    EXPECT_TRUE(CheckSingleInstance("Korvel_operator"));
}

TEST_F(SingleInstanceTest, ALockHeldByAnotherProcessIsRefused)
{
    const std::string path = FRuntime.Folder() + "Korvel_operator";
    const std::string marker = path + ".held";
    // The other process holds the lock for as long as its marker file exists.
    const std::string holder = "flock -n '" + path + "' sh -c 'touch \"" + marker + "\"; while [ -e \"" + marker +
                               "\" ]; do sleep 0.05; done' &";
    ASSERT_EQ(std::system(holder.c_str()), 0);
    while (!std::filesystem::exists(marker))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    EXPECT_FALSE(CheckSingleInstance("Korvel_operator"));

    std::filesystem::remove(marker);
    EXPECT_EQ(std::system(("flock '" + path + "' true").c_str()), 0);  // waits for the holder to end
}

TEST_F(SingleInstanceTest, RefusesNamesThatAreNotFileNames)
{
    for (const std::string name : {"", ".", "..", "a/b"})
        EXPECT_FALSE(CheckSingleInstance(name)) << '"' << name << '"';
}

TEST(SingleInstanceName, ExecutableNameWithoutExtensionAndUser)
{
    EXPECT_EQ(SingleInstanceName("/opt/korvel/Korvel.exe", "operator"), "Korvel_operator");
    EXPECT_EQ(SingleInstanceName("/opt/korvel/korvel", "operator"), "korvel_operator");
    EXPECT_EQ(SingleInstanceName("/opt/korvel/korvel", "other"), "korvel_other");
    EXPECT_EQ(ProgramInstanceName(), "foundation_tests_" + GetCurrentUserName());
}

TEST(SingleInstanceFolder, RuntimeFolderOrTmp)
{
    {
        test::EnvGuard runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ(SingleInstanceFolder(), "/run/user/1000/");
    }
    test::EnvGuard unset("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(SingleInstanceFolder(), "/tmp/");
}

}  // namespace
}  // namespace korvel
