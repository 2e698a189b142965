#pragma once

// The bytes of a key file named by the caller.

#include <string>

namespace korvel::signlib {

// AAnsiFileName is in Windows-1251. Throws EU_ERROR_FILE_NOT_FOUND when there is no such file,
// EU_ERROR_FILE_READ when it cannot be read or is far too large for a key file.
std::string ReadKeyFile(const char* AAnsiFileName);

}  // namespace korvel::signlib
