#include "foundation/ProcessInfo.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <latch>
#include <regex>
#include <thread>
#include <vector>

namespace korvel {
namespace {

TEST(ProcessInfo, CountsTheThreadsOfThisProcess)
{
    const int before = GetProcessThreadCount();
    ASSERT_GE(before, 1);
    std::latch release(1);
    std::vector<std::jthread> workers;
    for (int i = 0; i < 3; ++i)
        workers.emplace_back([&release] { release.wait(); });
    EXPECT_GE(GetProcessThreadCount(), before + 3);
    release.count_down();
}

TEST(ProcessInfo, ComputerNameIsTheHostName)
{
    std::string hostName = test::ReadFileBytes("/proc/sys/kernel/hostname");
    while (!hostName.empty() && (hostName.back() == '\n' || hostName.back() == ' '))
        hostName.pop_back();
    EXPECT_EQ(GetLocalComputerName(), hostName);
}

TEST(ProcessInfo, UserNameIsAPlainName)
{
    const std::string user = GetCurrentUserName();
    EXPECT_FALSE(user.empty());
    EXPECT_EQ(user.find('/'), std::string::npos);
}

TEST(ProcessInfo, VersionIsFourNumbers)
{
    EXPECT_TRUE(std::regex_match(GetAppVersion(), std::regex(R"(\d+\.\d+\.\d+\.\d+)")));
}

TEST(ProcessInfo, OnlyTheCompanionServiceHasTheServiceRole)
{
    for (const char* name : {"korvelservice", "KorvelService", "KORVELSERVICE"})
        EXPECT_TRUE(IsServiceExecutable(name)) << name;
    for (const char* name : {"korvel", "korvelctl", "korvelservice.sh", "", "foundation_tests"})
        EXPECT_FALSE(IsServiceExecutable(name)) << name;
    EXPECT_FALSE(IsServiceRole());
}

}  // namespace
}  // namespace korvel
