#pragma once

// Where the time-stamp server in force is reached.

#include "signlib/LibraryState.h"

#include <string>

namespace korvel::signlib {

// The URL to post time-stamp queries to: a full URL in Address is taken as it is; a host (with an
// optional path) becomes "http://host:port/path", the port left out when none is set. "" when no
// time-stamp server is in use.
std::string TimeStampServerUrl(const TServerSettings& ASettings);

}  // namespace korvel::signlib
