#pragma once

#include <string>

namespace korvel {

// A new random GUID in registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case digits.
std::string NewGuidText();

}  // namespace korvel
