#pragma once

// JSON whose values the program reads as text: the certification-authority list and the answers
// of the cloud-signing service.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace korvel {

using TJson = nlohmann::ordered_json;

// Parses AText. A number with a fraction or an exponent is kept as the text it was written in
// (a string), since it is only ever read as text and a double would change its digits.
// Text that is not JSON throws std::runtime_error with the parser's message.
TJson ParseJsonText(const std::string& AText);

// A string as it is, a number as its digits, null as "null", true/false as such; an object or an
// array as its JSON text.
std::string JsonValueAsText(const TJson& AValue);

// AName's value as text; nothing when AObject is not an object or has no such member.
std::optional<std::string> JsonMemberAsText(const TJson& AObject, const std::string& AName);

}  // namespace korvel
