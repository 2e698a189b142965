#include "signlib/SignBytes.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/evp.h>

namespace korvel::signlib {

TBytes Sha256(const unsigned char* AData, std::size_t ALength)
{
    TBytes digest(Sha256Size);
    unsigned int length = 0;
    // EVP_Digest wants a valid pointer even for no data.
    static const unsigned char NoData = 0;
    Require(EVP_Digest(AData != nullptr ? AData : &NoData, ALength, digest.data(), &length, EVP_sha256(), nullptr) ==
                    1 &&
                length == Sha256Size,
            EU_ERROR_SIGN, "SHA-256 failed");
    return digest;
}

}  // namespace korvel::signlib
