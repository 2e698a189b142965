// The log on a console stream: every line whole and in its thread's order, GetLog still whole, and the daily file
// back in use once the console log is gone; and the log mark that tells what was logged since.

#include "cli/ConsoleLog.h"
#include "cli/LogMark.h"

#include "SignEnvironment.h"

#include "fixtures/TempDir.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>

namespace korvel::cli {
namespace {

class ConsoleLogTest : public ::testing::Test {
protected:
    void SetUp() override { TLog::ResetForTests(); }
    void TearDown() override { TLog::ResetForTests(); }

    test::TempDir FFolder;
    test::EnvGuard FLogDir{"KORVEL_LOG_DIR", FFolder.Folder()};
};

TEST_F(ConsoleLogTest, LinesFromManyThreadsComeOutWholeAndInEachThreadsOrder)
{
    constexpr int Threads = 4;
    constexpr int LinesPerThread = 200;
    std::ostringstream out;
    std::string log;
    {
        const TConsoleLog console(out);
        std::vector<std::thread> threads;
        for (int thread = 0; thread < Threads; ++thread)
            threads.emplace_back([thread] {
                for (int line = 0; line < LinesPerThread; ++line)
                    TLog::Log("потік " + std::to_string(thread) + " рядок " + std::to_string(line));
            });
        for (auto& thread : threads)
            thread.join();
        log = TLog::GetLog();
    }

    const auto messages = test::LoggedMessages(out.str());
    ASSERT_EQ(messages.size(), std::size_t{Threads * LinesPerThread});
    std::map<int, int> next;
    for (const auto& message : messages) {
        int thread = -1;
        int line = -1;
        ASSERT_EQ(std::sscanf(message.c_str(), "потік %d рядок %d", &thread, &line), 2) << message;
        EXPECT_EQ(line, next[thread]++) << message;
    }
    EXPECT_EQ(test::LoggedMessages(log), messages);
    EXPECT_FALSE(std::filesystem::exists(TLog::DailyLogFileName()));
}

TEST_F(ConsoleLogTest, AFullPaneIsEmptiedWithoutLosingALineOnTheStream)
{
    std::ostringstream out;
    TConsoleLog console(out);
    for (std::size_t line = 1; line < TConsoleLog::FullPaneLines; ++line)
        TLog::Log("рядок " + std::to_string(line));
    console.ClearWhenFull();
    EXPECT_EQ(test::LoggedMessages(TLog::GetLog()).size(), TConsoleLog::FullPaneLines - 1) << "not full yet";

    TLog::Log("останній");
    console.ClearWhenFull();
    EXPECT_EQ(TLog::GetLog(), "");
    TLog::Log("після");
    EXPECT_EQ(test::LoggedMessages(TLog::GetLog()), std::vector<std::string>{"після"});
    const auto written = test::LoggedMessages(out.str());
    ASSERT_EQ(written.size(), TConsoleLog::FullPaneLines + 1);
    EXPECT_EQ(written[TConsoleLog::FullPaneLines - 1], "останній");
}

TEST_F(ConsoleLogTest, AfterTheConsoleLogLinesGoToTheDailyFileAgain)
{
    std::ostringstream out;
    {
        const TConsoleLog console(out);
        TLog::Log("на консоль");
    }
    TLog::Log("у файл");

    EXPECT_EQ(test::LoggedMessages(out.str()), std::vector<std::string>{"на консоль"});
    EXPECT_EQ(test::LoggedMessages(ReadUtf8File(TLog::DailyLogFileName())), std::vector<std::string>{"у файл"});
}

TEST_F(ConsoleLogTest, LogMarkTellsWhatWasLoggedSinceInThePaneAndInTheFile)
{
    const std::vector<std::string> since = {"другий", "третій: з двокрапкою"};
    {
        SCOPED_TRACE("daily file, not yet made at the mark");
        const TLogMark mark;
        for (const auto& message : since)
            TLog::Log(message);
        EXPECT_EQ(mark.MessagesSince(), since);
    }
    {
        SCOPED_TRACE("daily file");
        TLog::Log("перший");
        const TLogMark mark;
        for (const auto& message : since)
            TLog::Log(message);
        EXPECT_EQ(mark.MessagesSince(), since);
    }
    {
        SCOPED_TRACE("console pane");
        std::ostringstream out;
        const TConsoleLog console(out);
        TLog::Log("перший");
        const TLogMark mark;
        EXPECT_EQ(mark.MessagesSince(), std::vector<std::string>{});
        for (const auto& message : since)
            TLog::Log(message);
        EXPECT_EQ(mark.MessagesSince(), since);
    }
}

}  // namespace
}  // namespace korvel::cli
