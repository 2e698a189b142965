// Envelopes whose checksum matches their key, so every input reaches the member checks and the
// routing. Input: the message key, a line feed, then the members that follow key and checksum:
//   {KEY}
//   "message_type":"SIGN","data":"VEVTVA==","is_request":true}
// becomes {"key":"{KEY}","checksum":"<checksum of {KEY}>","message_type":"SIGN",...}. The
// members may name key or checksum again; the last one wins, as in the decoder.

#include "QuietChannel.h"

#include "channel/Envelope.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

// A JSON string whose value is AText byte for byte (text that is not UTF-8 stays invalid JSON).
std::string JsonString(std::string_view AText)
{
    std::string quoted = "\"";
    for (const char c : AText) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string Upper(std::string AText)
{
    for (char& c : AText)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return AText;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    korvel::fuzz::PrepareQuietChannel();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize)
{
    const std::string_view input(reinterpret_cast<const char*>(AData), ASize);
    const std::size_t lineEnd = input.find('\n');
    if (lineEnd == std::string_view::npos)
        return 0;
    const std::string key(input.substr(0, lineEnd));
    const std::string_view members = input.substr(lineEnd + 1);
    // The checksum is accepted in either letter case; let the input choose which one it gets.
    std::string checksum = korvel::MessageChecksum(key);
    if (members.size() % 2 == 1)
        checksum = Upper(checksum);
    std::string message = "{\"key\":" + JsonString(key) + ",\"checksum\":\"" + checksum + "\",";
    message += members;
    korvel::HandleEnvelope(korvel::fuzz::OwnChannel, message);
    korvel::fuzz::AfterInput();
    return 0;
}
