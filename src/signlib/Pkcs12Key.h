#pragma once

// PKCS#12 containers (.pfx, .p12): the first private key and the certificates.

#include "signlib/KeyMaterial.h"
#include "signlib/KeyPasswords.h"

#include <openssl/pkcs12.h>

namespace korvel::signlib {

// Throws EU_ERROR_BAD_PASSWORD when no password opens the container, EU_ERROR_BAD_KEY_FORMAT when
// it uses algorithms this build does not know (old RC2 files without the legacy provider),
// EU_ERROR_KEY_DAMAGED when it opens but its contents do not decode, EU_ERROR_KEY_NOT_FOUND when it
// holds no private key.
TKeyMaterial ReadPkcs12(PKCS12& AContainer, const TKeyPasswords& APasswords);

}  // namespace korvel::signlib
