#include "signlib/TokenPinCheck.h"

#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace korvel::signlib {

void TTokenPinCheck::Remember(const TSecretText& APin)
{
    if (RAND_bytes(FSalt.data(), static_cast<int>(FSalt.size())) != 1)
        Fail(EU_ERROR_UNKNOWN, "no random bytes for the PIN digest");
    FDigest = DigestOf(APin);
    FRemembered = true;
}

bool TTokenPinCheck::Matches(const TSecretText& APin) const
{
    const TDigest digest = DigestOf(APin);
    return FRemembered && CRYPTO_memcmp(digest.data(), FDigest.data(), digest.size()) == 0;
}

TTokenPinCheck::TDigest TTokenPinCheck::DigestOf(const TSecretText& APin) const
{
    TDigest digest{};
    TEvpMdCtxPtr context(EVP_MD_CTX_new());
    const bool done = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1 &&
                      EVP_DigestUpdate(context.get(), FSalt.data(), FSalt.size()) == 1 &&
                      EVP_DigestUpdate(context.get(), APin.Text().data(), APin.Text().size()) == 1 &&
                      EVP_DigestFinal_ex(context.get(), digest.data(), nullptr) == 1;
    if (!done)
        Fail(EU_ERROR_UNKNOWN, "cannot digest the PIN");
    return digest;
}

}  // namespace korvel::signlib
