#pragma once

// What the library tells about a certificate: names, codes and validity, as UTF-8 texts.

#include "signlib/SignLibrary.h"

#include <openssl/x509.h>

#include <string>

namespace korvel::signlib {

struct TCertificateData {
    std::string Issuer;  // the whole name, RFC 2253 order
    std::string IssuerCN;
    std::string Serial;  // upper-case hexadecimal, two digits per byte
    std::string Subject;
    std::string SubjCN;
    std::string SubjOrg;
    std::string SubjFullName;
    std::string SubjDRFOCode;
    std::string SubjEDRPOUCode;
    EU_TIME BeginTime{};
    EU_TIME EndTime{};
};

TCertificateData ReadCertificateData(const X509& ACertificate);

}  // namespace korvel::signlib
