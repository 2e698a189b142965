#include "signlib/KeyContainerReader.h"

#include "signlib/CertificateParsing.h"
#include "signlib/DerElement.h"
#include "signlib/JksKeyStore.h"
#include "signlib/PemBlocks.h"
#include "signlib/Pkcs12Key.h"
#include "signlib/Pkcs8Key.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>

#include <algorithm>
#include <climits>
#include <optional>

namespace korvel::signlib {

namespace {

using TPkcs8InfoPtr = TOpenSslPtr<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>;
using TX509SigPtr = TOpenSslPtr<X509_SIG, X509_SIG_free>;

constexpr unsigned char DerSequence = 0x30;

// Decodes the whole of ADer as one structure; nullptr when it is something else or leaves bytes
// over.
template <typename T, void (*Free)(T*), T* (*Decode)(T**, const unsigned char**, long)>
TOpenSslPtr<T, Free> DecodeWhole(std::string_view ADer)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(ADer.data());
    const auto* der = begin;
    TOpenSslPtr<T, Free> decoded(Decode(nullptr, &der, static_cast<long>(ADer.size())));
    ERR_clear_error();
    if (decoded && static_cast<std::size_t>(der - begin) != ADer.size())
        decoded.reset();
    return decoded;
}

// Traditional (pre-PKCS#8) RSA and EC keys decode as themselves.
TEvpPkeyPtr DecodeTraditionalKey(std::string_view ADer)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(ADer.data());
    const auto* der = begin;
    TEvpPkeyPtr key(d2i_AutoPrivateKey(nullptr, &der, static_cast<long>(ADer.size())));
    ERR_clear_error();
    if (key && static_cast<std::size_t>(der - begin) != ADer.size())
        key.reset();
    return key;
}

// A complete element that decodes as nothing we know: a key structure with a broken inside (its
// version field still says PKCS#12 or PKCS#8), or something that is not a key at all.
[[noreturn]] void FailUnknownStructure(std::string_view ADer)
{
    const std::optional<int> version = LeadingVersion(ADer);
    if (version && (*version == 0 || *version == 1 || *version == 3))
        Fail(EU_ERROR_KEY_DAMAGED, "key structure does not decode");
    Fail(EU_ERROR_BAD_KEY_FORMAT, "not a key container");
}

TKeyMaterial ReadDerStructure(std::string_view ADer, const TKeyPasswords& APasswords)
{
    if (auto container = DecodeWhole<PKCS12, PKCS12_free, d2i_PKCS12>(ADer))
        return ReadPkcs12(*container, APasswords);
    if (auto encrypted = DecodeWhole<X509_SIG, X509_SIG_free, d2i_X509_SIG>(ADer))
        return {KeyFromEncryptedPrivateKeyInfo(*encrypted, APasswords), {}};
    if (auto info = DecodeWhole<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free, d2i_PKCS8_PRIV_KEY_INFO>(ADer))
        return {KeyFromPrivateKeyInfo(*info), {}};
    if (TEvpPkeyPtr key = DecodeTraditionalKey(ADer))
        return {std::move(key), {}};
    FailUnknownStructure(ADer);
}

// A DER key structure, and any DER certificates right after it.
TKeyMaterial ReadDerKey(std::string_view ABytes, const TKeyPasswords& APasswords)
{
    if (ABytes.size() > LONG_MAX)
        Fail(EU_ERROR_BAD_KEY_FORMAT, "too long for a key container");
    // An indefinite (BER) length leaves the end to the decoder; nothing follows such a container.
    const std::size_t length = LeadingElementLength(ABytes, EU_ERROR_KEY_DAMAGED).value_or(ABytes.size());
    TKeyMaterial material = ReadDerStructure(ABytes.substr(0, length), APasswords);
    for (auto& certificate : ParseDerCertificateSequence(ABytes.substr(length)))
        material.Certificates.push_back(std::move(certificate));
    return material;
}

bool IsKeyLabel(const std::string& ALabel)
{
    return ALabel == "PRIVATE KEY" || ALabel == "ENCRYPTED PRIVATE KEY" || ALabel == "RSA PRIVATE KEY" ||
           ALabel == "EC PRIVATE KEY" || ALabel == "PKCS12";
}

// The first key block of a PEM text, with the certificates of the text beside it.
TKeyMaterial ReadPemKey(std::string_view ABytes, const TKeyPasswords& APasswords)
{
    const std::vector<TPemBlock> blocks = ReadPemBlocks(ABytes, EU_ERROR_KEY_DAMAGED);
    const auto key =
        std::find_if(blocks.begin(), blocks.end(), [](const TPemBlock& AB) { return IsKeyLabel(AB.Label); });
    if (key == blocks.end())
        Fail(EU_ERROR_BAD_KEY_FORMAT, "no key in the PEM text");
    // Encrypted traditional keys (Proc-Type headers) use a scheme key files do not use.
    if (key->Headers.find("ENCRYPTED") != std::string::npos)
        Fail(EU_ERROR_BAD_KEY_FORMAT, "legacy PEM encryption");
    if (key->Der.empty() || static_cast<unsigned char>(key->Der.front()) != DerSequence)
        Fail(EU_ERROR_KEY_DAMAGED, "PEM key block does not hold DER");
    TKeyMaterial material = ReadDerKey(key->Der, APasswords);
    for (auto& certificate : ParseCertificates(ABytes))
        material.Certificates.push_back(std::move(certificate));
    return material;
}

// A JKS key store read as a key file: its first private key, under the key password.
TKeyMaterial ReadFirstJksKey(std::string_view ABytes, const TKeyPasswords& APasswords)
{
    const TJksKeyStore store = ParseJksKeyStore(ABytes);
    if (store.PrivateKeys.empty())
        Fail(EU_ERROR_KEY_NOT_FOUND, "no private key in the key store");
    return ReadDerKey(JksKeyBytes(store.PrivateKeys.front()), APasswords);
}

}  // namespace

TKeyMaterial ReadKeyMaterial(std::string_view ABytes, const TKeyPasswords& APasswords)
{
    if (ABytes.empty())
        Fail(EU_ERROR_BAD_KEY_FORMAT, "empty key container");
    if (IsJksKeyStore(ABytes))
        return ReadFirstJksKey(ABytes, APasswords);
    if (static_cast<unsigned char>(ABytes.front()) == DerSequence)
        return ReadDerKey(ABytes, APasswords);
    if (ContainsPemBlock(ABytes))
        return ReadPemKey(ABytes, APasswords);
    Fail(EU_ERROR_BAD_KEY_FORMAT, "not a key container");
}

}  // namespace korvel::signlib
