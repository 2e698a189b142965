#include "signlib/OpenSslProviders.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/provider.h>

namespace korvel::signlib {

namespace {

bool LoadOnce()
{
    if (OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1)
        return false;
    // Loading one provider explicitly switches off the implicit default: load both.
    const bool defaultLoaded = OSSL_PROVIDER_load(nullptr, "default") != nullptr;
    // Without the legacy module only old key files are unreadable (they fail with a format
    // error); modern ones still work, so the library starts anyway.
    if (OSSL_PROVIDER_load(nullptr, "legacy") == nullptr)
        ERR_clear_error();
    return defaultLoaded;
}

}  // namespace

bool LoadOpenSslProviders()
{
    static const bool loaded = LoadOnce();
    return loaded;
}

}  // namespace korvel::signlib
