#include "foundation/ProcessTransport.h"

#include "foundation/ProcessInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

namespace korvel {
namespace {

class ProcessTransportTest : public ::testing::Test {
protected:
    // Tests run in parallel processes: each gets a name of its own.
    std::string FName =
        "KorvelTest" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(ProcessTransportTest, ShowRequestAndAnswerTravelBetweenBlocks)
{
    PT_File window = PT_File::Create(FName);
    PT_File other = PT_File::Open(FName);
    ASSERT_TRUE(window.IsOpen());
    ASSERT_TRUE(other.IsOpen());
    EXPECT_EQ(window.Read(), "");

    ASSERT_TRUE(other.Write("show"));
    EXPECT_EQ(window.Read(), "show");
    ASSERT_TRUE(window.Write("show_ok"));
    EXPECT_EQ(other.Read(), "show_ok");
    ASSERT_TRUE(other.Write("показати"));
    EXPECT_EQ(window.Read(), "показати");
}

TEST_F(ProcessTransportTest, ContentIsNulTerminatedUtf16)
{
    PT_File window = PT_File::Create(FName);
    ASSERT_TRUE(window.Write("show_ok"));
    ASSERT_TRUE(window.Write("show"));
    const char16_t expected[] = u"show";
    EXPECT_EQ(std::memcmp(window.MemoryAdress(), expected, sizeof expected), 0);
    EXPECT_EQ(window.Size() % 4096, 0u);
    EXPECT_EQ(window.Name(), FName);
}

TEST_F(ProcessTransportTest, TextMustFitWithItsTerminator)
{
    PT_File window = PT_File::Create(FName);
    const std::size_t units = window.Size() / 2;
    EXPECT_TRUE(window.Write(std::string(units - 1, 'x')));
    EXPECT_FALSE(window.Write(std::string(units, 'x')));
    EXPECT_EQ(window.Read(), std::string(units - 1, 'x'));
}

TEST_F(ProcessTransportTest, ReadStopsAtTheEndOfAnUnterminatedBlock)
{
    PT_File window = PT_File::Create(FName);
    auto* units = static_cast<char16_t*>(window.MemoryAdress());
    for (std::size_t i = 0; i < window.Size() / 2; ++i)
        units[i] = u'y';
    EXPECT_EQ(window.Read(), std::string(window.Size() / 2, 'y'));
}

TEST_F(ProcessTransportTest, OwnerRemovesTheNameOnClose)
{
    PT_File window = PT_File::Create(FName);
    window.Close();
    PT_File other = PT_File::Open(FName);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(other.Read(), "");
    EXPECT_FALSE(other.Write("show"));
    EXPECT_FALSE(window.Write("show"));
}

TEST_F(ProcessTransportTest, ClosingTheOldOwnerLeavesANewerBlockReachable)
{
    PT_File oldWindow = PT_File::Create(FName);
    PT_File newWindow = PT_File::Create(FName);
    oldWindow.Close();

    PT_File other = PT_File::Open(FName);
    ASSERT_TRUE(other.IsOpen());
    ASSERT_TRUE(other.Write("show"));
    EXPECT_EQ(newWindow.Read(), "show");
}

TEST_F(ProcessTransportTest, MovedBlockKeepsTheMapping)
{
    PT_File window = PT_File::Create(FName);
    PT_File moved = std::move(window);
    ASSERT_TRUE(moved.Write("show"));
    EXPECT_EQ(PT_File::Open(FName).Read(), "show");
}

TEST(ShowRequestName, IsKorvelAndTheUserName)
{
    EXPECT_EQ(ShowRequestName(), "Korvel" + GetCurrentUserName());
}

}  // namespace
}  // namespace korvel
