#pragma once

// Shows the program's log lines on a console stream as they are logged, for korvelctl commands that run the signer
// or the channel. The lines go through a log pane of their own, so TLog::GetLog still gives the whole log; while
// the object lives no daily log file is written by this process. Lines logged from several threads come out whole,
// each thread's in the order it logged them.

#include <cstddef>
#include <iosfwd>
#include <memory>

namespace korvel {
class TLogWindowLines;
}

namespace korvel::cli {

class TConsoleLog {
public:
    // AOut must outlive the object and any thread that may still be logging when it is destroyed.
    explicit TConsoleLog(std::ostream& AOut);
    TConsoleLog();  // standard error
    // Detaches: later lines go to the daily log file again.
    ~TConsoleLog();
    TConsoleLog(const TConsoleLog&) = delete;

    // The window's rule for its pane, so that a long run keeps bounded memory: at 15001 lines or more the pane is
    // emptied (lines already written to the stream stay there; TLog::GetLog starts afresh).
    void ClearWhenFull();
    static constexpr std::size_t FullPaneLines = 15001;
    TConsoleLog& operator=(const TConsoleLog&) = delete;

private:
    std::shared_ptr<TLogWindowLines> FLines;
    std::ostream& FOut;
};

}  // namespace korvel::cli
