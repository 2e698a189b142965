#include "QuietChannel.h"

#include "channel/ChannelState.h"
#include "foundation/AppConfig.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace korvel::fuzz {
namespace {

const std::string PendingSerial = "0123ABCD";
const std::string PendingKey = "{KEY}";

std::shared_ptr<TLogWindowLines>& LogLines()
{
    static auto lines = std::make_shared<TLogWindowLines>();
    return lines;
}

std::string Lower(std::string AText)
{
    std::transform(AText.begin(), AText.end(), AText.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return AText;
}

// The decoder turns a "null" key into "", so no accepted request may still carry one; and a
// request always arrives on the channel it was read from.
void CheckRequest(const std::string& AChannel, const std::string& ASN, const std::string&, const std::string& AKey,
                  const std::string&, bool, std::int64_t)
{
    if (AChannel != OwnChannel || Lower(AKey) == "null" || Lower(ASN) == "null")
        std::abort();
}

}  // namespace

void PrepareQuietChannel()
{
    TLog::AttachWindowLines(LogLines());
    AppConfig() = {"1.2.3.4", "{0F0E0D0C-0B0A-4908-8706-050403020100}"};
    auto& state = ChannelState();
    state.FClientId = AppConfig().acSessionId;
    state.OnMessage = CheckRequest;
    state.FIdentifyList.Put(PendingSerial, PendingKey);
}

// libFuzzer checks for leaks after any input that allocated more than it freed, which is slow;
// emptying the pane and restoring the pending entry after every input keeps the two even.
void AfterInput()
{
    LogLines()->Clear();
    auto& pending = ChannelState().FIdentifyList;
    if (!pending.Find(PendingSerial))
        pending.Put(PendingSerial, PendingKey);
}

}  // namespace korvel::fuzz
