#pragma once

// The library's description of each error code, as the caller reads it: Windows-1251 text.

namespace korvel::signlib {

// A static zero-terminated text; an unknown code gets the description of EU_ERROR_UNKNOWN.
const char* ErrorDescription(unsigned long ACode);

}  // namespace korvel::signlib
