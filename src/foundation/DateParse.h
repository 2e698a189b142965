#pragma once

// Readers of the date texts the program receives: a date with "." between its numbers,
// optionally followed by blanks and a time "hh:mm" or "hh:mm:ss". Day, month and the parts of
// the time take one or two digits, the year four. Blanks around the whole text are ignored.

#include "foundation/DateTime.h"

#include <string_view>

namespace korvel {

// "dd.MM.yyyy hh:mm:ss". 0 for empty or invalid text; never raises.
TDateTime ParseDateTimeDMY(std::string_view AText);
// "MM.dd.yyyy hh:mm:ss". 0 for empty or invalid text; never raises.
TDateTime ParseDateTimeMDY(std::string_view AText);

}  // namespace korvel
