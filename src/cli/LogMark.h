#pragma once

// A point in the log, to tell afterwards what was logged since: the signer reports many failures only as a log line
// and an empty or false result, and a command wants that line as its reason.

#include <cstddef>
#include <string>
#include <vector>

namespace korvel::cli {

class TLogMark {
public:
    TLogMark();

    // The messages logged since the mark, oldest first, without their time stamps. Empty when the log cannot be
    // read (no daily file and no pane).
    std::vector<std::string> MessagesSince() const;

private:
    std::size_t FSize;
};

}  // namespace korvel::cli
