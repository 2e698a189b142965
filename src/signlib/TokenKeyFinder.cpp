#include "signlib/TokenKeyFinder.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <algorithm>
#include <openssl/err.h>
#include <span>

namespace korvel::signlib {

namespace {

std::span<PKCS11_KEY> PrivateKeys(PKCS11_TOKEN& AToken)
{
    PKCS11_KEY* keys = nullptr;
    unsigned int count = 0;
    if (PKCS11_enumerate_keys(&AToken, &keys, &count) != 0) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA, "the token cannot list its keys");
    }
    return {keys, count};
}

std::span<PKCS11_CERT> Certificates(PKCS11_TOKEN& AToken)
{
    PKCS11_CERT* certificates = nullptr;
    unsigned int count = 0;
    if (PKCS11_enumerate_certs(&AToken, &certificates, &count) != 0) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA, "the token cannot list its certificates");
    }
    return {certificates, count};
}

bool SameId(const PKCS11_KEY& AKey, const PKCS11_CERT& ACertificate)
{
    return AKey.id_len > 0 &&
           std::equal(AKey.id, AKey.id + AKey.id_len, ACertificate.id, ACertificate.id + ACertificate.id_len);
}

bool SamePublicKey(EVP_PKEY& AKey, const PKCS11_CERT& ACertificate)
{
    const EVP_PKEY* certificateKey = ACertificate.x509 ? X509_get0_pubkey(ACertificate.x509) : nullptr;
    const bool same = certificateKey != nullptr && EVP_PKEY_eq(certificateKey, &AKey) == 1;
    ERR_clear_error();
    return same;
}

const PKCS11_CERT* CertificateOf(const PKCS11_KEY& AKey, EVP_PKEY& AKeyObject, std::span<PKCS11_CERT> ACertificates)
{
    auto usable = [](const PKCS11_CERT& ACertificate) { return ACertificate.x509 != nullptr; };
    for (const PKCS11_CERT& certificate : ACertificates)
        if (usable(certificate) && SameId(AKey, certificate))
            return &certificate;
    for (const PKCS11_CERT& certificate : ACertificates)
        if (usable(certificate) && SamePublicKey(AKeyObject, certificate))
            return &certificate;
    return nullptr;
}

TEvpPkeyPtr KeyObject(PKCS11_KEY& AKey)
{
    TEvpPkeyPtr key(PKCS11_get_private_key(&AKey));
    if (!key) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA, "the token's private key cannot be used");
    }
    return key;
}

}  // namespace

TTokenKey FindTokenKey(PKCS11_TOKEN& AToken)
{
    const std::span<PKCS11_KEY> keys = PrivateKeys(AToken);
    if (keys.empty())
        Fail(EU_ERROR_KEY_NOT_FOUND, "the token holds no private key");
    const std::span<PKCS11_CERT> certificates = Certificates(AToken);
    for (PKCS11_KEY& key : keys) {
        TEvpPkeyPtr keyObject = KeyObject(key);
        if (const PKCS11_CERT* certificate = CertificateOf(key, *keyObject, certificates)) {
            X509_up_ref(certificate->x509);
            return {std::move(keyObject), TX509Ptr(certificate->x509)};
        }
    }
    Fail(EU_ERROR_CERT_NOT_FOUND, "no private key of the token has its certificate on the token");
}

}  // namespace korvel::signlib
