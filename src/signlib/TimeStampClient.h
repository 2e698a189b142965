#pragma once

// RFC 3161 time-stamp tokens from the time-stamp server in force.

#include "signlib/LibraryState.h"
#include "signlib/SignBytes.h"

#include <string>

namespace korvel::signlib {

// Asks the server at AUrl for a token over ASha256 (the SHA-256 value of what is stamped), with a
// fresh nonce and the server's certificate requested, and returns the token (a DER ContentInfo)
// once the reply proved to answer this query: status granted, same imprint and nonce, and a token
// signature that verifies with the certificate it carries. Whether that certificate is trusted is
// for whoever checks the signature later.
// Raises EU_ERROR_TSP_SERVER when the server is not reached, EU_ERROR_TSP_RESPONSE when its reply
// is not such a token.
TBytes RequestTimeStampToken(const std::string& AUrl, const TBytes& ASha256, const TServerSettings& AProxy);

}  // namespace korvel::signlib
