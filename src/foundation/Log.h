#pragma once

// The program's single report channel: one line of text per event, no levels. Lines go to the
// window's log pane while one is attached, otherwise to a daily file in the executable's folder.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace korvel {

class TLogWindowLines;

class TLog {
public:
    using TClock = std::function<std::chrono::system_clock::time_point()>;

    TLog() = delete;

    // Logs one message to the pane or the daily file. Never raises.
    static void Log(const std::string& AMessage);
    // Appends one stamped line to the named file under the log lock. Never raises.
    static void Log(const std::string& AFileName, const std::string& AMessage);
    // The whole current log: the pane's lines, or today's daily file (which must exist).
    static std::string GetLog();

    // The daily file for the current date: executable folder + "yyyymmdd.log".
    static std::string DailyLogFileName();

    // The window points the log at its pane. Once detached, no later line reaches the pane;
    // lines go to the daily file again so that nothing is lost.
    static void AttachWindowLines(std::shared_ptr<TLogWindowLines> ALines);
    static void DetachWindowLines();

    // Seams for tests.
    static void SetClock(TClock AClock);
    static void ResetForTests();
    static std::chrono::system_clock::time_point Now();
};

// Stamp "dd.mm.yyyy hh:nn:ss.zzz" in local time + ": " + message, without line end.
std::string FormatLogLine(const std::string& AMessage);
// The same for a given moment.
std::string FormatLogLine(const std::string& AMessage, std::chrono::system_clock::time_point AWhen);

// The whole file's bytes, taken as UTF-8; no byte-order mark is skipped. Throws when the file cannot be read.
std::string ReadUtf8File(const std::string& AFileName);

}  // namespace korvel
