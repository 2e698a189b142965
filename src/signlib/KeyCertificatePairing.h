#pragma once

// Joins a read key with its certificate and chain.

#include "signlib/KeyMaterial.h"
#include "signlib/PrivateKeyContext.h"

#include <filesystem>
#include <memory>

namespace korvel::signlib {

// The key's certificate is the one whose public key is the key's: among the container's
// certificates first, else in the file store folder, whose certificates also give the chain up to
// the root. Throws EU_ERROR_CERT_NOT_FOUND when there is none, EU_ERROR_KEY_DAMAGED when the key's
// private and public halves do not belong together.
std::unique_ptr<TPrivateKeyContext> PairKeyWithCertificate(TKeyMaterial AMaterial,
                                                           const std::filesystem::path& AFileStore);

}  // namespace korvel::signlib
