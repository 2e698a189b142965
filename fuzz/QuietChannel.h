#pragma once

// What the envelope fuzz targets share: the decoder runs as in the program, but an accepted
// request ends in a handler that only checks what it was given, and log lines go to an
// in-memory pane, emptied after every input, instead of to files.

#include <string>

namespace korvel::fuzz {

inline const std::string OwnChannel = "korvel_database_{0F0E0D0C-0B0A-4908-8706-050403020100}";

// Once, before the first input.
void PrepareQuietChannel();
// After every input: empties the log pane and keeps an identification pending for the next
// acknowledgement to find.
void AfterInput();

}  // namespace korvel::fuzz
