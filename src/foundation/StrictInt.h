#pragma once

#include <string>

namespace korvel {

// Decimal text to int: an optional sign and digits only, nothing before or after. Anything
// else, or a value out of range, throws "'<text>' is not a valid integer value".
int StrToInt(const std::string& AText);

}  // namespace korvel
