#include "signlib/Pkcs8Key.h"

#include "signlib/OpenSslErrors.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"
#include "signlib/SunKeyProtector.h"

#include <openssl/err.h>
#include <openssl/objects.h>

#include <climits>

namespace korvel::signlib {

namespace {

using TPkcs8InfoPtr = TOpenSslPtr<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>;
using TAsn1ObjectPtr = TOpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;

bool IsSunKeyProtector(const X509_ALGOR* AAlgorithm)
{
    const ASN1_OBJECT* algorithm = nullptr;
    X509_ALGOR_get0(&algorithm, nullptr, nullptr, AAlgorithm);
    const TAsn1ObjectPtr sun(OBJ_txt2obj(SunKeyProtectorOid, 1));
    return algorithm != nullptr && sun && OBJ_cmp(algorithm, sun.get()) == 0;
}

TEvpPkeyPtr KeyFromSunProtectedKey(const ASN1_OCTET_STRING* AData, const TKeyPasswords& APasswords)
{
    const std::string_view protectedKey(reinterpret_cast<const char*>(ASN1_STRING_get0_data(AData)),
                                        static_cast<std::size_t>(ASN1_STRING_length(AData)));
    const TSecretText plain = UnprotectSunKey(protectedKey, APasswords);
    return KeyFromPrivateKeyInfoDer(plain.Text());
}

// One password: the key, or nothing when the password does not open it. A wrong password may
// pass the padding check by chance and then gives bytes that do not decode: also nothing.
TEvpPkeyPtr TryDecrypt(const X509_SIG& AEncrypted, const TSecretText& APassword)
{
    const TPkcs8InfoPtr info(PKCS8_decrypt(&AEncrypted, APassword.CStr(), APassword.Length()));
    if (!info)
        return nullptr;
    return TEvpPkeyPtr(EVP_PKCS82PKEY(info.get()));
}

}  // namespace

TEvpPkeyPtr KeyFromPrivateKeyInfo(const PKCS8_PRIV_KEY_INFO& AInfo)
{
    ERR_clear_error();
    TEvpPkeyPtr key(EVP_PKCS82PKEY(&AInfo));
    if (!key) {
        if (TakeUnsupportedAlgorithmError())
            Fail(EU_ERROR_BAD_KEY_FORMAT, "unknown key type");
        Fail(EU_ERROR_KEY_DAMAGED, "private key does not decode");
    }
    return key;
}

TEvpPkeyPtr KeyFromPrivateKeyInfoDer(std::string_view ADer)
{
    if (ADer.size() > LONG_MAX)
        Fail(EU_ERROR_KEY_DAMAGED, "private key too long");
    const auto* der = reinterpret_cast<const unsigned char*>(ADer.data());
    const TPkcs8InfoPtr info(d2i_PKCS8_PRIV_KEY_INFO(nullptr, &der, static_cast<long>(ADer.size())));
    if (!info) {
        ERR_clear_error();
        Fail(EU_ERROR_KEY_DAMAGED, "private key does not decode");
    }
    return KeyFromPrivateKeyInfo(*info);
}

TEvpPkeyPtr KeyFromEncryptedPrivateKeyInfo(const X509_SIG& AEncrypted, const TKeyPasswords& APasswords)
{
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* data = nullptr;
    X509_SIG_get0(&AEncrypted, &algorithm, &data);
    if (IsSunKeyProtector(algorithm))
        return KeyFromSunProtectedKey(data, APasswords);

    bool unsupported = false;
    for (const TSecretText& password : APasswords) {
        ERR_clear_error();
        if (TEvpPkeyPtr key = TryDecrypt(AEncrypted, password))
            return key;
        unsupported = TakeUnsupportedAlgorithmError() || unsupported;
    }
    if (unsupported)
        Fail(EU_ERROR_BAD_KEY_FORMAT, "unknown key encryption");
    Fail(EU_ERROR_BAD_PASSWORD, "wrong key password");
}

}  // namespace korvel::signlib
