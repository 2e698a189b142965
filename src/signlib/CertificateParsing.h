#pragma once

// Certificates out of the bytes of certificate files and key containers.

#include "signlib/OpenSslPtr.h"

#include <string_view>
#include <vector>

namespace korvel::signlib {

// PEM (certificate and PKCS#7 blocks) or DER (a PKCS#7 bundle, or certificates one after another).
// Whatever does not read as certificates is left out.
std::vector<TX509Ptr> ParseCertificates(std::string_view ABytes);

// DER certificates one after another, as far as they read.
std::vector<TX509Ptr> ParseDerCertificateSequence(std::string_view ABytes);

}  // namespace korvel::signlib
