#pragma once

// The key protection of JKS key stores: the private key's PKCS#8 encoding XOR a SHA-1 key stream
// drawn from the password and a salt, followed by a SHA-1 check value over password and key.
//   protected = salt (20) || encrypted key || check (20)
//   stream block i = SHA-1(password || previous block), the first previous block being the salt
//   check = SHA-1(password || plain key)
// The password enters as its UTF-16 code units, big-endian, as Java holds its characters.

#include "signlib/KeyPasswords.h"
#include "signlib/SecretText.h"

#include <string_view>

namespace korvel::signlib {

// The algorithm identifier of such a protected key (its EncryptedPrivateKeyInfo).
inline constexpr const char* SunKeyProtectorOid = "1.3.6.1.4.1.42.2.17.1.1";

// The plain PKCS#8 bytes. Throws EU_ERROR_BAD_PASSWORD when no password gives the check value,
// EU_ERROR_KEY_DAMAGED when the protected bytes are too short to hold salt and check value.
TSecretText UnprotectSunKey(std::string_view AProtected, const TKeyPasswords& APasswords);

}  // namespace korvel::signlib
