#pragma once

// The blocks of a PEM text ("-----BEGIN label-----" ... "-----END label-----").

#include <string>
#include <string_view>
#include <vector>

namespace korvel::signlib {

struct TPemBlock {
    std::string Label;
    std::string Headers;  // "Proc-Type: ..." and the like; empty for most blocks
    std::string Der;
};

// True when the bytes hold a PEM block's begin line.
bool ContainsPemBlock(std::string_view ABytes);
// Every block in order. A block whose body is not valid base64 or has no end line throws
// AErrorCode.
std::vector<TPemBlock> ReadPemBlocks(std::string_view ABytes, unsigned long AErrorCode);

}  // namespace korvel::signlib
