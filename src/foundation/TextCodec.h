#pragma once

// Conversions between the program's text forms: UTF-8 (held in std::string), UTF-16 code units
// (where an algorithm is defined on them) and the ANSI code page of our Windows peers, Windows-1251.

#include <string>
#include <string_view>

namespace korvel {

// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Characters that Windows-1251 cannot hold become "?".
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace korvel
