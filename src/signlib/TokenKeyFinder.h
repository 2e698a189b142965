#pragma once

// The private key of a logged-in token and its certificate.

#include "signlib/OpenSslPtr.h"

#include <libp11.h>

namespace korvel::signlib {

struct TTokenKey {
    TEvpPkeyPtr Key;
    TX509Ptr Certificate;
};

// The first private key, in the token's order, that has a certificate on the token: the
// certificate with the key's ID, else the one with its public key. Throws EU_ERROR_KEY_NOT_FOUND
// when the token holds no private key, EU_ERROR_CERT_NOT_FOUND when no key has a certificate.
TTokenKey FindTokenKey(PKCS11_TOKEN& AToken);

}  // namespace korvel::signlib
