#pragma once

// The HTTP exchange with a time-stamp server: one query posted, one reply read.

#include "signlib/LibraryState.h"
#include "signlib/SignBytes.h"

#include <string>

namespace korvel::signlib {

// POSTs the DER time-stamp query to AUrl as "application/timestamp-query" and returns the body of
// a 200 reply. HTTPS verifies the server against the system's trust store. Through AProxy when it
// is in use, otherwise directly. Raises EU_ERROR_TSP_SERVER when the server cannot be reached,
// takes too long, answers another status or an oversized body.
TBytes PostTimeStampQuery(const std::string& AUrl, const TBytes& AQuery, const TServerSettings& AProxy);

}  // namespace korvel::signlib
