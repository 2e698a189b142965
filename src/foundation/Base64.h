#pragma once

// The program's base64: the standard alphabet with "=" padding, over bytes held in std::string.

#include <string>
#include <string_view>

namespace korvel {

// Encodes ABytes, breaking the output into lines of 76 characters separated by CR LF (no break after the
// last line).
std::string Base64Encode(std::string_view ABytes);
// Encodes ABytes in lines of 76 characters, each complete line followed by CR LF, the last one too; a shorter
// last line has none: the layout of reports read by the server's other agents' decoders.
std::string Base64EncodeClosedLines(std::string_view ABytes);
// Encodes ABytes on one line: for values carried in one line (signatures, config.ini values).
std::string Base64EncodeLine(std::string_view ABytes);
// Never fails: every character outside the alphabet is skipped ("=" and line breaks included), and an incomplete
// final group yields only the whole bytes it contains (2 characters give 1 byte, 3 give 2, 1 gives none).
std::string Base64Decode(std::string_view AText);

}  // namespace korvel
