#include "signlib/DerElement.h"

#include "signlib/SignLibraryError.h"

#include <openssl/asn1.h>
#include <openssl/err.h>

#include <climits>

namespace korvel::signlib {

namespace {

constexpr int HeaderError = 0x80;
constexpr int IndefiniteLength = 0x01;

struct TDerHeader {
    const unsigned char* Contents = nullptr;
    long ContentLength = 0;
    int Tag = 0;
    int Class = 0;
    bool Indefinite = false;
};

std::optional<TDerHeader> ReadHeader(const unsigned char* ABytes, long ASize)
{
    TDerHeader header;
    header.Contents = ABytes;
    const int flags = ASN1_get_object(&header.Contents, &header.ContentLength, &header.Tag, &header.Class, ASize);
    ERR_clear_error();
    if ((flags & HeaderError) != 0)
        return std::nullopt;
    header.Indefinite = (flags & IndefiniteLength) != 0;
    return header;
}

long ClampedSize(std::string_view ABytes)
{
    return ABytes.size() > LONG_MAX ? LONG_MAX : static_cast<long>(ABytes.size());
}

}  // namespace

std::optional<std::size_t> LeadingElementLength(std::string_view ABytes, unsigned long AErrorCode)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(ABytes.data());
    const auto header = ReadHeader(bytes, ClampedSize(ABytes));
    if (!header)
        Fail(AErrorCode, "broken or truncated DER element");
    if (header->Indefinite)
        return std::nullopt;
    return static_cast<std::size_t>(header->Contents - bytes) + static_cast<std::size_t>(header->ContentLength);
}

std::optional<int> LeadingVersion(std::string_view ABytes)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(ABytes.data());
    const auto outer = ReadHeader(bytes, ClampedSize(ABytes));
    if (!outer || outer->Tag != V_ASN1_SEQUENCE)
        return std::nullopt;
    const long remaining = ClampedSize(ABytes) - (outer->Contents - bytes);
    const auto inner = ReadHeader(outer->Contents, remaining);
    if (!inner || inner->Tag != V_ASN1_INTEGER || inner->Class != V_ASN1_UNIVERSAL || inner->ContentLength != 1)
        return std::nullopt;
    return static_cast<int>(inner->Contents[0]);
}

}  // namespace korvel::signlib
