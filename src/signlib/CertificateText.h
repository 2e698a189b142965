#pragma once

// Texts of certificate names and attribute values, as UTF-8.

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <string>

namespace korvel::signlib {

// A string value in UTF-8, whatever its ASN.1 string type; "" for anything else.
std::string Asn1StringText(const ASN1_STRING* AString);
std::string Asn1TypeText(const ASN1_TYPE* AValue);
// The first entry of that kind in the name; "" when absent.
std::string NameEntryText(const X509_NAME* AName, int ANid);
// The whole name in RFC 2253 form, characters kept as UTF-8.
std::string NameText(const X509_NAME* AName);

}  // namespace korvel::signlib
