#include "signlib/SubjectCodes.h"

#include "signlib/CertificateText.h"
#include "signlib/OpenSslPtr.h"

#include <openssl/objects.h>

#include <string_view>

namespace korvel::signlib {

namespace {

constexpr const char* DrfoAttributeOid = "1.2.804.2.1.1.1.11.1.4.1.1";
constexpr const char* EdrpouAttributeOid = "1.2.804.2.1.1.1.11.1.4.2.1";
constexpr std::string_view DrfoSemanticsPrefix = "TINUA-";
constexpr std::string_view EdrpouSemanticsPrefix = "NTRUA-";

void FreeSequenceAny(ASN1_SEQUENCE_ANY* ASequence)
{
    sk_ASN1_TYPE_pop_free(ASequence, ASN1_TYPE_free);
}

using TSequenceAnyPtr = TOpenSslPtr<ASN1_SEQUENCE_ANY, FreeSequenceAny>;
using TAttributePtr = TOpenSslPtr<X509_ATTRIBUTE, X509_ATTRIBUTE_free>;
using TAsn1ObjectPtr = TOpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;

// The value of one attribute of a decoded SEQUENCE OF Attribute element; "" when the element is
// another attribute or not an attribute at all.
std::string AttributeValue(const ASN1_TYPE* AElement, const ASN1_OBJECT* AType)
{
    if (AElement == nullptr || AElement->type != V_ASN1_SEQUENCE)
        return {};
    const unsigned char* der = AElement->value.sequence->data;
    const TAttributePtr attribute(d2i_X509_ATTRIBUTE(nullptr, &der, AElement->value.sequence->length));
    if (!attribute || OBJ_cmp(X509_ATTRIBUTE_get0_object(attribute.get()), AType) != 0)
        return {};
    return Asn1TypeText(X509_ATTRIBUTE_get0_type(attribute.get(), 0));
}

// subjectDirectoryAttributes ::= SEQUENCE SIZE (1..MAX) OF Attribute
std::string DirectoryAttribute(const X509& ACertificate, const char* AOid)
{
    const int index = X509_get_ext_by_NID(&ACertificate, NID_subject_directory_attributes, -1);
    if (index < 0)
        return {};
    const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(X509_get_ext(&ACertificate, index));
    const unsigned char* der = ASN1_STRING_get0_data(value);
    const TSequenceAnyPtr attributes(d2i_ASN1_SEQUENCE_ANY(nullptr, &der, ASN1_STRING_length(value)));
    const TAsn1ObjectPtr type(OBJ_txt2obj(AOid, 1));
    if (!attributes || !type)
        return {};
    for (int i = 0; i < sk_ASN1_TYPE_num(attributes.get()); ++i) {
        std::string text = AttributeValue(sk_ASN1_TYPE_value(attributes.get(), i), type.get());
        if (!text.empty())
            return text;
    }
    return {};
}

std::string SemanticsIdentifier(const X509& ACertificate, int ANid, std::string_view APrefix)
{
    const std::string value = NameEntryText(X509_get_subject_name(&ACertificate), ANid);
    if (value.size() <= APrefix.size() || value.compare(0, APrefix.size(), APrefix) != 0)
        return {};
    return value.substr(APrefix.size());
}

std::string FirstOf(const std::string& AFirst, const std::string& ASecond)
{
    return AFirst.empty() ? ASecond : AFirst;
}

}  // namespace

std::string SubjectDrfoCode(const X509& ACertificate)
{
    return FirstOf(DirectoryAttribute(ACertificate, DrfoAttributeOid),
                   SemanticsIdentifier(ACertificate, NID_serialNumber, DrfoSemanticsPrefix));
}

std::string SubjectEdrpouCode(const X509& ACertificate)
{
    return FirstOf(DirectoryAttribute(ACertificate, EdrpouAttributeOid),
                   SemanticsIdentifier(ACertificate, NID_organizationIdentifier, EdrpouSemanticsPrefix));
}

}  // namespace korvel::signlib
