#include "LogMark.h"

#include "foundation/Log.h"

#include <exception>

namespace korvel::cli {

namespace {

// The log's whole text; "" when there is none yet.
std::string LogText()
{
    try {
        return TLog::GetLog();
    } catch (const std::exception&) {
        return {};
    }
}

// The message of one logged line: after the stamp "dd.mm.yyyy hh:nn:ss.zzz: ".
std::string MessageOf(const std::string& ALine)
{
    const std::size_t stampEnd = ALine.find(": ");
    return stampEnd == std::string::npos ? ALine : ALine.substr(stampEnd + 2);
}

}  // namespace

TLogMark::TLogMark() : FSize(LogText().size())
{
}

std::vector<std::string> TLogMark::MessagesSince() const
{
    const std::string text = LogText();
    // Only appended to, unless a new daily file began since the mark: then all of it is new.
    std::size_t start = text.size() >= FSize ? FSize : 0;
    std::vector<std::string> messages;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            messages.push_back(MessageOf(text.substr(start, end - start)));
        start = end + 2;
    }
    return messages;
}

}  // namespace korvel::cli
