#include "signlib/KeyCertificatePairing.h"

#include "signlib/CertificateFileStore.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <new>

namespace korvel::signlib {

namespace {

using TEvpPkeyCtxPtr = TOpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;

// Deeper chains than this are loops or nonsense.
constexpr std::size_t MaxChainLength = 10;

// A damaged or forged container may pair a private value with another public key.
void CheckKeyHalvesBelongTogether(EVP_PKEY& AKey)
{
    const TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, &AKey, nullptr));
    if (!context)
        throw std::bad_alloc();
    const int result = EVP_PKEY_pairwise_check(context.get());
    ERR_clear_error();
    // Negative: the key type offers no check; only a failed check counts.
    if (result == 0)
        Fail(EU_ERROR_KEY_DAMAGED, "private and public key do not match");
}

bool IsCertificateOf(const X509& ACertificate, const EVP_PKEY& AKey)
{
    const EVP_PKEY* publicKey = X509_get0_pubkey(&ACertificate);
    const bool same = publicKey != nullptr && EVP_PKEY_eq(publicKey, &AKey) == 1;
    ERR_clear_error();
    return same;
}

// Takes the key's certificate out of the list; nullptr when there is none. A key certified more
// than once gets the certificate that stays valid longest.
TX509Ptr TakeCertificateOf(std::vector<TX509Ptr>& ACertificates, const EVP_PKEY& AKey)
{
    auto best = ACertificates.end();
    for (auto it = ACertificates.begin(); it != ACertificates.end(); ++it) {
        if (IsCertificateOf(**it, AKey) &&
            (best == ACertificates.end() ||
             ASN1_TIME_compare(X509_get0_notAfter(it->get()), X509_get0_notAfter(best->get())) > 0))
            best = it;
    }
    if (best == ACertificates.end())
        return nullptr;
    TX509Ptr certificate = std::move(*best);
    ACertificates.erase(best);
    return certificate;
}

TX509Ptr Share(X509* ACertificate)
{
    if (X509_up_ref(ACertificate) != 1)
        throw std::bad_alloc();
    return TX509Ptr(ACertificate);
}

bool Contains(const std::vector<TX509Ptr>& AChain, const X509* ACertificate)
{
    return std::any_of(AChain.begin(), AChain.end(),
                       [&](const TX509Ptr& AMember) { return X509_cmp(AMember.get(), ACertificate) == 0; });
}

// The issuers of the certificate found in the pool, nearest first, up to a self-issued root.
std::vector<TX509Ptr> IssuerChain(X509* ACertificate, const std::vector<TX509Ptr>& APool)
{
    std::vector<TX509Ptr> chain;
    X509* current = ACertificate;
    while (chain.size() < MaxChainLength && X509_check_issued(current, current) != X509_V_OK) {
        const auto issuer = std::find_if(APool.begin(), APool.end(), [&](const TX509Ptr& ACandidate) {
            return X509_check_issued(ACandidate.get(), current) == X509_V_OK &&
                   X509_cmp(ACandidate.get(), ACertificate) != 0 && !Contains(chain, ACandidate.get());
        });
        if (issuer == APool.end())
            break;
        chain.push_back(Share(issuer->get()));
        current = chain.back().get();
    }
    ERR_clear_error();
    return chain;
}

std::unique_ptr<TPrivateKeyContext> NewContext(TEvpPkeyPtr AKey, TX509Ptr ACertificate, std::vector<TX509Ptr> AChain)
{
    auto context = std::make_unique<TPrivateKeyContext>();
    context->Key = std::move(AKey);
    context->Certificate = std::move(ACertificate);
    context->Chain = std::move(AChain);
    return context;
}

}  // namespace

std::unique_ptr<TPrivateKeyContext> PairKeyWithCertificate(TKeyMaterial AMaterial,
                                                           const std::filesystem::path& AFileStore)
{
    CheckKeyHalvesBelongTogether(*AMaterial.Key);
    if (TX509Ptr certificate = TakeCertificateOf(AMaterial.Certificates, *AMaterial.Key))
        return NewContext(std::move(AMaterial.Key), std::move(certificate), std::move(AMaterial.Certificates));

    std::vector<TX509Ptr> pool = LoadFileStoreCertificates(AFileStore);
    TX509Ptr certificate = TakeCertificateOf(pool, *AMaterial.Key);
    if (!certificate)
        Fail(EU_ERROR_CERT_NOT_FOUND, "no certificate for the key");
    for (auto& companion : AMaterial.Certificates)
        pool.push_back(std::move(companion));
    std::vector<TX509Ptr> chain = IssuerChain(certificate.get(), pool);
    return NewContext(std::move(AMaterial.Key), std::move(certificate), std::move(chain));
}

}  // namespace korvel::signlib
