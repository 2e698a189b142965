#pragma once

// Opens a key container of any kind the library knows, recognised by its content: PKCS#12, PKCS#8
// (encrypted or not, DER or PEM, possibly followed by certificates), a JKS key store (its first
// private key) or the key bytes of a JKS entry.

#include "signlib/KeyMaterial.h"
#include "signlib/KeyPasswords.h"

#include <string_view>

namespace korvel::signlib {

// Throws EU_ERROR_BAD_KEY_FORMAT for content that is no key container, EU_ERROR_KEY_DAMAGED for a
// container that is broken or cut short, EU_ERROR_BAD_PASSWORD when no password opens it,
// EU_ERROR_KEY_NOT_FOUND for a container without a private key.
TKeyMaterial ReadKeyMaterial(std::string_view ABytes, const TKeyPasswords& APasswords);

}  // namespace korvel::signlib
