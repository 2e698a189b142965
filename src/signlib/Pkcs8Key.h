#pragma once

// PKCS#8 private keys: PrivateKeyInfo, and EncryptedPrivateKeyInfo under a password-based scheme
// (PBES2, the PKCS#12 schemes, or the JKS key protector).

#include "signlib/KeyPasswords.h"
#include "signlib/OpenSslPtr.h"

#include <openssl/x509.h>

#include <string_view>

namespace korvel::signlib {

// Throws EU_ERROR_BAD_KEY_FORMAT for a key type this build does not know, EU_ERROR_KEY_DAMAGED
// for a key that does not decode.
TEvpPkeyPtr KeyFromPrivateKeyInfo(const PKCS8_PRIV_KEY_INFO& AInfo);
TEvpPkeyPtr KeyFromPrivateKeyInfoDer(std::string_view ADer);

// Throws EU_ERROR_BAD_PASSWORD when no password decrypts it, EU_ERROR_BAD_KEY_FORMAT for an
// encryption scheme this build does not know.
TEvpPkeyPtr KeyFromEncryptedPrivateKeyInfo(const X509_SIG& AEncrypted, const TKeyPasswords& APasswords);

}  // namespace korvel::signlib
