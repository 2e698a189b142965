#include "foundation/Log.h"

#include "foundation/LogWindowLines.h"
#include "foundation/ProgramFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace korvel {
namespace {

// The log's process-wide state, behind the class-level operations.
struct TLogState {
    std::mutex LogLock;     // serialises file appends
    std::mutex WindowLock;  // guards the pointer only; the pane has a lock of its own
    std::shared_ptr<TLogWindowLines> WindowLines;
    std::mutex ClockLock;
    TLog::TClock Clock;
};

TLogState& State()
{
    static TLogState state;
    return state;
}

std::tm LocalTime(std::chrono::system_clock::time_point AWhen)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(AWhen);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

// Whole line in one write on a descriptor held under an exclusive advisory lock, so other
// processes that log to the same file (the agent, the service, the tool) never split a line.
bool AppendLine(const std::string& AFileName, const std::string& ALine)
{
    const int fd = ::open(AFileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool written = ::flock(fd, LOCK_EX) == 0;
    std::size_t done = 0;
    while (written && done < ALine.size()) {
        const ssize_t n = ::write(fd, ALine.data() + done, ALine.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += static_cast<std::size_t>(n);
    }
    ::close(fd);  // also releases the advisory lock
    return written;
}

std::shared_ptr<TLogWindowLines> WindowLines()
{
    auto& state = State();
    std::lock_guard lock(state.WindowLock);
    return state.WindowLines;
}

// A pane closed by a detach that raced with this call refuses the line, which then goes to the file.
bool LogToWindow(const std::string& AMessage)
{
    const auto lines = WindowLines();
    return lines && lines->Append(FormatLogLine(AMessage));
}

}  // namespace

std::chrono::system_clock::time_point TLog::Now()
{
    auto& state = State();
    std::lock_guard lock(state.ClockLock);
    return state.Clock ? state.Clock() : std::chrono::system_clock::now();
}

void TLog::SetClock(TClock AClock)
{
    auto& state = State();
    std::lock_guard lock(state.ClockLock);
    state.Clock = std::move(AClock);
}

void TLog::ResetForTests()
{
    DetachWindowLines();
    SetClock(nullptr);
}

void TLog::AttachWindowLines(std::shared_ptr<TLogWindowLines> ALines)
{
    if (ALines)
        ALines->Open();
    auto& state = State();
    std::lock_guard lock(state.WindowLock);
    state.WindowLines = std::move(ALines);
}

void TLog::DetachWindowLines()
{
    std::shared_ptr<TLogWindowLines> detached;
    {
        auto& state = State();
        std::lock_guard lock(state.WindowLock);
        detached = std::move(state.WindowLines);
    }
    if (detached)
        detached->Close();
}

std::string TLog::DailyLogFileName()
{
    const std::tm local = LocalTime(Now());
    char name[40];
    std::snprintf(name, sizeof name, "%04d%02d%02d.log", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return GetExeFolder() + name;
}

void TLog::Log(const std::string& AMessage)
{
    try {
        if (LogToWindow(AMessage))
            return;
        // The name is taken before the lock and the stamp inside it, so a line logged at
        // midnight may carry the next day's stamp in the previous day's file.
        Log(DailyLogFileName(), AMessage);
    } catch (...) {
        // The log is the last resort for reporting; a failure to log is not reported.
    }
}

void TLog::Log(const std::string& AFileName, const std::string& AMessage)
{
    try {
        std::lock_guard lock(State().LogLock);
        AppendLine(AFileName, FormatLogLine(AMessage) + "\r\n");
    } catch (...) {
    }
}

std::string TLog::GetLog()
{
    if (const auto lines = WindowLines())
        return lines->Text();
    return ReadUtf8File(DailyLogFileName());
}

std::string FormatLogLine(const std::string& AMessage)
{
    return FormatLogLine(AMessage, TLog::Now());
}

std::string FormatLogLine(const std::string& AMessage, std::chrono::system_clock::time_point AWhen)
{
    const std::tm local = LocalTime(AWhen);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(AWhen.time_since_epoch()).count() % 1000;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d.%04d %02d:%02d:%02d.%03d: ", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    return stamp + AMessage;
}

std::string ReadUtf8File(const std::string& AFileName)
{
    std::ifstream in(AFileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot open file \"" + AFileName + "\". " + std::strerror(errno));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace korvel
