#pragma once

// Small text helpers shared by the layers. Case folding touches the letters A to Z only, as
// the peers' comparisons do; other characters, Cyrillic included, are left as they are.

#include <string>
#include <string_view>

namespace korvel {

// Without blanks and control characters at both ends.
std::string Trim(std::string_view AText);
std::string AsciiLower(std::string AText);
std::string AsciiUpper(std::string AText);
bool SameTextAscii(std::string_view A, std::string_view B);

}  // namespace korvel
