#pragma once

// Byte buffers, their DER encodings and the one digest the library signs with.

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <cstddef>
#include <vector>

namespace korvel::signlib {

using TBytes = std::vector<unsigned char>;

constexpr std::size_t Sha256Size = 32;

TBytes Sha256(const unsigned char* AData, std::size_t ALength);

// The DER form of an OpenSSL object, through its i2d_ function.
template <typename T> TBytes EncodeDer(const T* AObject, int (*AEncode)(const T*, unsigned char**))
{
    const int length = AEncode(AObject, nullptr);
    Require(length > 0, EU_ERROR_SIGN, "DER encoding failed");
    TBytes der(static_cast<std::size_t>(length));
    unsigned char* out = der.data();
    Require(AEncode(AObject, &out) == length, EU_ERROR_SIGN, "DER encoding failed");
    return der;
}

}  // namespace korvel::signlib
