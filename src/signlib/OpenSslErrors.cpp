#include "signlib/OpenSslErrors.h"

#include <openssl/err.h>
#include <openssl/evp.h>

namespace korvel::signlib {

namespace {

bool IsUnsupportedAlgorithm(unsigned long AError)
{
    const int reason = ERR_GET_REASON(AError);
    if (reason == ERR_R_UNSUPPORTED || reason == ERR_R_FETCH_FAILED)
        return true;
    if (ERR_GET_LIB(AError) != ERR_LIB_EVP)
        return false;
    switch (reason) {
    case EVP_R_UNSUPPORTED_ALGORITHM:
    case EVP_R_UNSUPPORTED_CIPHER:
    case EVP_R_UNKNOWN_CIPHER:
    case EVP_R_UNKNOWN_PBE_ALGORITHM:
    case EVP_R_UNSUPPORTED_KEY_DERIVATION_FUNCTION:
    case EVP_R_UNSUPPORTED_PRF:
    case EVP_R_UNSUPPORTED_KEYLENGTH:
    case EVP_R_UNSUPPORTED_PRIVATE_KEY_ALGORITHM:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool TakeUnsupportedAlgorithmError()
{
    bool unsupported = false;
    while (const unsigned long error = ERR_get_error())
        unsupported = unsupported || IsUnsupportedAlgorithm(error);
    return unsupported;
}

}  // namespace korvel::signlib
