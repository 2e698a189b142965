#pragma once

// The lines of the window's log pane, safe to append to from any thread. The pane (GUI thread)
// registers an observer that is told a line is waiting and then takes the pending lines; the
// observer must not block (a queued call to the GUI thread), so a thread that logs while the
// GUI thread waits for it never deadlocks. Lines of one thread stay in the order logged.

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace korvel {

class TLogWindowLines {
public:
    using TObserver = std::function<void()>;

    void SetObserver(TObserver AObserver);

    // False once closed: the line was not taken.
    bool Append(const std::string& ALine);
    // Opened by attaching to the log, closed by detaching; a closed pane takes no more lines.
    void Open();
    void Close();
    // Lines appended since the last call, oldest first.
    std::vector<std::string> TakePending();
    // The whole pane: every line, separated by CR LF.
    std::string Text() const;
    std::size_t Count() const;
    // Empties the pane of the lines it has taken; lines still pending stay.
    void Clear();

private:
    mutable std::mutex FMutex;
    std::vector<std::string> FLines;
    std::vector<std::string> FPending;
    TObserver FObserver;
    bool FOpen = false;
};

}  // namespace korvel
