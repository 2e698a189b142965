#include "signlib/Pkcs12Key.h"

#include "signlib/OpenSslErrors.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>

#include <optional>

namespace korvel::signlib {

namespace {

// PKCS12_parse treats a null password and an empty one as two; both are "no password" to us.
struct TPasswordForm {
    const char* Text;
    int Length;
};

std::vector<TPasswordForm> PasswordForms(const TKeyPasswords& APasswords)
{
    std::vector<TPasswordForm> forms;
    for (const TSecretText& password : APasswords) {
        forms.push_back({password.CStr(), password.Length()});
        if (password.Empty())
            forms.push_back({nullptr, 0});
    }
    return forms;
}

// The password whose MAC matches. Throws when none does.
TPasswordForm MacPassword(PKCS12& AContainer, const std::vector<TPasswordForm>& AForms)
{
    bool unsupported = false;
    for (const TPasswordForm& form : AForms) {
        ERR_clear_error();
        if (PKCS12_verify_mac(&AContainer, form.Text, form.Length) == 1)
            return form;
        unsupported = TakeUnsupportedAlgorithmError() || unsupported;
    }
    if (unsupported)
        Fail(EU_ERROR_BAD_KEY_FORMAT, "unknown PKCS#12 integrity algorithm");
    Fail(EU_ERROR_BAD_PASSWORD, "wrong key password");
}

void FreeCertificates(STACK_OF(X509) * ACertificates)
{
    sk_X509_pop_free(ACertificates, X509_free);
}

using TX509StackPtr = TOpenSslPtr<STACK_OF(X509), FreeCertificates>;

std::optional<TKeyMaterial> Parse(PKCS12& AContainer, const TPasswordForm& AForm)
{
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* others = nullptr;
    ERR_clear_error();
    if (PKCS12_parse(&AContainer, AForm.Text, &key, &certificate, &others) != 1)
        return std::nullopt;
    TKeyMaterial material;
    material.Key.reset(key);
    if (certificate != nullptr)
        material.Certificates.emplace_back(certificate);
    TX509StackPtr chain(others);
    while (sk_X509_num(chain.get()) > 0)
        material.Certificates.emplace_back(sk_X509_shift(chain.get()));
    return material;
}

TKeyMaterial WithKey(TKeyMaterial AMaterial)
{
    if (!AMaterial.Key)
        Fail(EU_ERROR_KEY_NOT_FOUND, "no private key in the container");
    return AMaterial;
}

}  // namespace

TKeyMaterial ReadPkcs12(PKCS12& AContainer, const TKeyPasswords& APasswords)
{
    const std::vector<TPasswordForm> forms = PasswordForms(APasswords);
    if (PKCS12_mac_present(&AContainer) == 1) {
        const TPasswordForm password = MacPassword(AContainer, forms);
        if (auto material = Parse(AContainer, password))
            return WithKey(std::move(*material));
        if (TakeUnsupportedAlgorithmError())
            Fail(EU_ERROR_BAD_KEY_FORMAT, "unknown PKCS#12 encryption");
        Fail(EU_ERROR_KEY_DAMAGED, "PKCS#12 contents do not decode");
    }
    // Without a MAC only decryption tells a wrong password.
    bool unsupported = false;
    for (const TPasswordForm& form : forms) {
        if (auto material = Parse(AContainer, form))
            return WithKey(std::move(*material));
        unsupported = TakeUnsupportedAlgorithmError() || unsupported;
    }
    if (unsupported)
        Fail(EU_ERROR_BAD_KEY_FORMAT, "unknown PKCS#12 encryption");
    Fail(EU_ERROR_BAD_PASSWORD, "wrong key password");
}

}  // namespace korvel::signlib
