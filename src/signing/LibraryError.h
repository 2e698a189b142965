#pragma once

// How signing-library failures are worded: a prefix naming the operation, the library's
// description of the code and the code in decimal.

#include <string>

namespace korvel {

// The library's Ukrainian description of ACode as UTF-8; "" while the library is not initialised.
std::string LibraryErrorDescription(unsigned long ACode);
// APrefix + description + " (" + code + ")".
std::string LibraryError(const std::string& APrefix, unsigned long ACode);

}  // namespace korvel
