#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace korvel {
namespace {

using std::chrono::system_clock;

system_clock::time_point LocalMoment(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond, int AMillis)
{
    std::tm local{};
    local.tm_year = AYear - 1900;
    local.tm_mon = AMonth - 1;
    local.tm_mday = ADay;
    local.tm_hour = AHour;
    local.tm_min = AMinute;
    local.tm_sec = ASecond;
    local.tm_isdst = -1;
    return system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(AMillis);
}

std::vector<std::string> SplitCrLf(const std::string& AText)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = AText.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(AText.substr(start, end - start));
    EXPECT_EQ(start, AText.size()) << "text does not end with CR LF";
    return lines;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TLog::ResetForTests();
        TLog::SetClock([] { return LocalMoment(2024, 1, 31, 9, 5, 7, 42); });
    }
    void TearDown() override { TLog::ResetForTests(); }

    std::string DailyFile() const { return FDir.Folder() + "20240131.log"; }

    test::TempDir FDir;
    test::EnvGuard FLogDir{"KORVEL_LOG_DIR", FDir.Path().string()};
};

TEST_F(LogTest, FormatsStampInLocalTime)
{
    EXPECT_EQ(FormatLogLine("Виконано"), "31.01.2024 09:05:07.042: Виконано");
    EXPECT_EQ(FormatLogLine(""), "31.01.2024 09:05:07.042: ");
    EXPECT_EQ(FormatLogLine("a\r\nb", LocalMoment(2023, 12, 1, 23, 59, 59, 999)), "01.12.2023 23:59:59.999: a\r\nb");
}

TEST_F(LogTest, AppendsStampedLinesToTheDailyFileOfTheExecutableFolder)
{
    TLog::Log("Перший");
    TLog::Log("two\nlines");

    EXPECT_EQ(TLog::DailyLogFileName(), DailyFile());
    EXPECT_EQ(test::ReadFileBytes(DailyFile()),
              "31.01.2024 09:05:07.042: Перший\r\n31.01.2024 09:05:07.042: two\nlines\r\n");
    EXPECT_EQ(TLog::GetLog(), test::ReadFileBytes(DailyFile()));
}

TEST_F(LogTest, NewDayStartsNewFile)
{
    TLog::Log("before");
    TLog::SetClock([] { return LocalMoment(2024, 2, 1, 0, 0, 0, 1); });
    TLog::Log("after");

    EXPECT_EQ(test::ReadFileBytes(DailyFile()), "31.01.2024 09:05:07.042: before\r\n");
    EXPECT_EQ(test::ReadFileBytes(FDir.Folder() + "20240201.log"), "01.02.2024 00:00:00.001: after\r\n");
}

TEST_F(LogTest, FailuresToWriteAreSwallowed)
{
    test::EnvGuard missing("KORVEL_LOG_DIR", FDir.Folder() + "no/such/folder");
    EXPECT_NO_THROW(TLog::Log("lost"));
    EXPECT_NO_THROW(TLog::Log(FDir.Folder(), "a folder is not a file"));
}

TEST_F(LogTest, GetLogFailsWhenNothingWasLoggedToday)
{
    EXPECT_THROW(TLog::GetLog(), std::runtime_error);
    EXPECT_THROW(ReadUtf8File(FDir.Folder() + "missing.log"), std::runtime_error);
}

TEST_F(LogTest, ReadUtf8FileKeepsByteOrderMark)
{
    test::WriteFileBytes(FDir.Path() / "bom.txt", "\xEF\xBB\xBFтекст");
    EXPECT_EQ(ReadUtf8File(FDir.Folder() + "bom.txt"), "\xEF\xBB\xBFтекст");
}

// Lines of many threads: each whole, none lost, each thread's in the order it logged them.
void ExpectWholeOrderedLines(const std::vector<std::string>& ALines, int AThreads, int APerThread, std::size_t APadding)
{
    ASSERT_EQ(ALines.size(), static_cast<std::size_t>(AThreads * APerThread));
    std::map<int, int> next;
    for (const std::string& line : ALines) {
        const std::string prefix = "31.01.2024 09:05:07.042: ";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line.substr(0, 60);
        std::istringstream fields(line.substr(prefix.size()));
        int thread = -1, index = -1;
        std::string padding;
        fields >> thread >> index >> padding;
        ASSERT_EQ(padding, std::string(APadding, 'x'));
        EXPECT_EQ(index, next[thread]++) << "thread " << thread;
    }
}

void LogFromThreads(int AThreads, int APerThread, std::size_t APadding)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < AThreads; ++t)
        threads.emplace_back([=] {
            for (int i = 0; i < APerThread; ++i)
                TLog::Log(std::to_string(t) + " " + std::to_string(i) + " " + std::string(APadding, 'x'));
        });
    for (auto& thread : threads)
        thread.join();
}

TEST_F(LogTest, ConcurrentFileAppendsNeverInterleave)
{
    LogFromThreads(6, 150, 3000);
    ExpectWholeOrderedLines(SplitCrLf(test::ReadFileBytes(DailyFile())), 6, 150, 3000);
}

TEST_F(LogTest, AttachedWindowTakesEveryLineInsteadOfTheFile)
{
    auto pane = std::make_shared<TLogWindowLines>();
    std::atomic<int> notified{0};
    pane->SetObserver([&] { ++notified; });
    TLog::AttachWindowLines(pane);

    LogFromThreads(4, 200, 10);

    EXPECT_FALSE(std::filesystem::exists(DailyFile()));
    ExpectWholeOrderedLines(pane->TakePending(), 4, 200, 10);
    EXPECT_TRUE(pane->TakePending().empty());
    EXPECT_GE(notified.load(), 1);
    EXPECT_EQ(pane->Count(), 800u);
    EXPECT_EQ(TLog::GetLog(), pane->Text());
    EXPECT_EQ(SplitCrLf(TLog::GetLog() + "\r\n").size(), 800u);
}

TEST_F(LogTest, ClearingThePaneKeepsTheLinesItHasNotTakenYet)
{
    TLogWindowLines pane;
    pane.Open();
    for (const char* line : {"один", "два"})
        pane.Append(line);
    EXPECT_EQ(pane.TakePending().size(), 2u);
    pane.Append("три");

    pane.Clear();
    EXPECT_EQ(pane.Text(), "три");
    EXPECT_EQ(pane.TakePending(), std::vector<std::string>{"три"});
    pane.Clear();
    EXPECT_EQ(pane.Count(), 0u);
}

TEST_F(LogTest, LinesAfterDetachNeverReachThePane)
{
    auto pane = std::make_shared<TLogWindowLines>();
    TLog::AttachWindowLines(pane);
    std::atomic<bool> stop{false};
    std::vector<std::thread> loggers;
    for (int t = 0; t < 3; ++t)
        loggers.emplace_back([&] {
            while (!stop)
                TLog::Log("busy");
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    TLog::DetachWindowLines();
    const std::size_t atDetach = pane->Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (auto& logger : loggers)
        logger.join();

    EXPECT_EQ(pane->Count(), atDetach);
    EXPECT_TRUE(std::filesystem::exists(DailyFile())) << "lines after detach go back to the file";
}

}  // namespace
}  // namespace korvel
