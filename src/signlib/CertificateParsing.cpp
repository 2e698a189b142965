#include "signlib/CertificateParsing.h"

#include "signlib/PemBlocks.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>
#include <openssl/pkcs7.h>

#include <climits>
#include <string>

namespace korvel::signlib {

namespace {

using TPkcs7Ptr = TOpenSslPtr<PKCS7, PKCS7_free>;

long ClampedSize(std::string_view ABytes)
{
    return ABytes.size() > LONG_MAX ? LONG_MAX : static_cast<long>(ABytes.size());
}

// The certificates of a PKCS#7 SignedData bundle (a .p7b file); nothing when the bytes are not one.
bool AppendPkcs7Certificates(std::string_view ADer, std::vector<TX509Ptr>& ACertificates)
{
    const auto* der = reinterpret_cast<const unsigned char*>(ADer.data());
    const TPkcs7Ptr bundle(d2i_PKCS7(nullptr, &der, ClampedSize(ADer)));
    if (!bundle || !PKCS7_type_is_signed(bundle.get()) || bundle->d.sign == nullptr)
        return false;
    STACK_OF(X509)* certificates = bundle->d.sign->cert;
    for (int i = 0; i < sk_X509_num(certificates); ++i) {
        X509* certificate = sk_X509_value(certificates, i);
        if (X509_up_ref(certificate) == 1)
            ACertificates.emplace_back(certificate);
    }
    return true;
}

void AppendDerCertificates(std::string_view ADer, std::vector<TX509Ptr>& ACertificates)
{
    if (!AppendPkcs7Certificates(ADer, ACertificates)) {
        for (auto& certificate : ParseDerCertificateSequence(ADer))
            ACertificates.push_back(std::move(certificate));
    }
}

void AppendPemCertificates(std::string_view AText, std::vector<TX509Ptr>& ACertificates)
{
    for (const TPemBlock& block : ReadPemBlocks(AText, EU_ERROR_FILE_READ)) {
        if (block.Label == "CERTIFICATE" || block.Label == "X509 CERTIFICATE" || block.Label == "PKCS7")
            AppendDerCertificates(block.Der, ACertificates);
    }
}

}  // namespace

std::vector<TX509Ptr> ParseCertificates(std::string_view ABytes)
{
    std::vector<TX509Ptr> certificates;
    try {
        if (ContainsPemBlock(ABytes))
            AppendPemCertificates(ABytes, certificates);
        else
            AppendDerCertificates(ABytes, certificates);
    } catch (const TSignLibraryError&) {
        // A broken PEM block: keep the certificates read before it.
    }
    ERR_clear_error();
    return certificates;
}

std::vector<TX509Ptr> ParseDerCertificateSequence(std::string_view ABytes)
{
    std::vector<TX509Ptr> certificates;
    const auto* der = reinterpret_cast<const unsigned char*>(ABytes.data());
    const auto* end = der + ABytes.size();
    while (der < end) {
        TX509Ptr certificate(d2i_X509(nullptr, &der, end - der));
        if (!certificate)
            break;
        certificates.push_back(std::move(certificate));
    }
    ERR_clear_error();
    return certificates;
}

}  // namespace korvel::signlib
