#include "signlib/OpenSslProviders.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/provider.h>

namespace korvel::signlib {

namespace {

// The providers this library loaded, given back at process exit: OpenSSL's own clean-up at exit frees only what
// nobody holds any more. Made after OpenSSL registered that clean-up, so it is destroyed before it runs.
class TLoadedProviders {
public:
    TLoadedProviders()
    {
        if (OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1)
            return;
        // Loading one provider explicitly switches off the implicit default: load both.
        FDefault = OSSL_PROVIDER_load(nullptr, "default");
        // Without the legacy module only old key files are unreadable (they fail with a format
        // error); modern ones still work, so the library starts anyway.
        FLegacy = OSSL_PROVIDER_load(nullptr, "legacy");
        if (FLegacy == nullptr)
            ERR_clear_error();
    }
    ~TLoadedProviders()
    {
        if (FLegacy != nullptr)
            OSSL_PROVIDER_unload(FLegacy);
        if (FDefault != nullptr)
            OSSL_PROVIDER_unload(FDefault);
    }
    TLoadedProviders(const TLoadedProviders&) = delete;
    TLoadedProviders& operator=(const TLoadedProviders&) = delete;

    bool DefaultLoaded() const { return FDefault != nullptr; }

private:
    OSSL_PROVIDER* FDefault = nullptr;
    OSSL_PROVIDER* FLegacy = nullptr;
};

}  // namespace

bool LoadOpenSslProviders()
{
    static const TLoadedProviders providers;
    return providers.DefaultLoaded();
}

}  // namespace korvel::signlib
