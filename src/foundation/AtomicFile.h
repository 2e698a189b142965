#pragma once

#include <string>
#include <sys/types.h>

namespace korvel {

// Replaces AFileName with ABytes so that readers and a crash see either the old or the new file,
// never half of one: a temporary file beside it, flushed to disk, renamed over it. The new file
// gets AMode. Refuses (false) when the folder is missing or the existing file is read-only (no
// owner write bit), leaving the old file as it was.
bool WriteFileAtomically(const std::string& AFileName, const std::string& ABytes, mode_t AMode = 0600);

}  // namespace korvel
