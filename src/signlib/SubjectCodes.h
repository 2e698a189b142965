#pragma once

// The Ukrainian registration codes of a certificate's subject: the personal tax number (DRFO) and
// the organisation code (EDRPOU).

#include <openssl/x509.h>

#include <string>

namespace korvel::signlib {

// From the subject-directory attributes when the certificate has them, otherwise from the ETSI
// semantics identifier ("TINUA-" in the subject's serialNumber, "NTRUA-" in its
// organizationIdentifier); "" when neither is present.
std::string SubjectDrfoCode(const X509& ACertificate);
std::string SubjectEdrpouCode(const X509& ACertificate);

}  // namespace korvel::signlib
