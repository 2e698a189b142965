#include "signlib/CertificateText.h"

#include "signlib/OpenSslPtr.h"

#include <openssl/crypto.h>

namespace korvel::signlib {

std::string Asn1StringText(const ASN1_STRING* AString)
{
    if (AString == nullptr)
        return {};
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, AString);
    if (length < 0)
        return {};
    std::string text(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
    OPENSSL_free(utf8);
    return text;
}

std::string Asn1TypeText(const ASN1_TYPE* AValue)
{
    if (AValue == nullptr)
        return {};
    switch (AValue->type) {
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_UTF8STRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_NUMERICSTRING:
    case V_ASN1_T61STRING:
    case V_ASN1_VISIBLESTRING:
    case V_ASN1_BMPSTRING:
    case V_ASN1_UNIVERSALSTRING:
        return Asn1StringText(AValue->value.asn1_string);
    default:
        return {};
    }
}

std::string NameEntryText(const X509_NAME* AName, int ANid)
{
    if (AName == nullptr)
        return {};
    const int index = X509_NAME_get_index_by_NID(AName, ANid, -1);
    if (index < 0)
        return {};
    return Asn1StringText(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(AName, index)));
}

std::string NameText(const X509_NAME* AName)
{
    TBioPtr out(BIO_new(BIO_s_mem()));
    if (AName == nullptr || !out)
        return {};
    // RFC 2253 escapes every byte above 0x7F unless told not to; UTF-8 is what we want.
    if (X509_NAME_print_ex(out.get(), AName, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    return length > 0 ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace korvel::signlib
