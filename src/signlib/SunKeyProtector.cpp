#include "signlib/SunKeyProtector.h"

#include "foundation/TextCodec.h"
#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <array>
#include <optional>
#include <string>

namespace korvel::signlib {

namespace {

constexpr std::size_t DigestSize = SHA_DIGEST_LENGTH;
using TDigest = std::array<unsigned char, DigestSize>;

TSecretText JavaPasswordBytes(const TSecretText& APassword)
{
    std::u16string units = Utf8ToUtf16(APassword.Text());
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    TSecretText result(bytes);
    OPENSSL_cleanse(units.data(), units.size() * sizeof(char16_t));
    OPENSSL_cleanse(bytes.data(), bytes.size());
    return result;
}

TDigest Sha1(std::string_view AFirst, std::string_view ASecond)
{
    TEvpMdCtxPtr context(EVP_MD_CTX_new());
    TDigest digest{};
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), AFirst.data(), AFirst.size()) != 1 ||
        EVP_DigestUpdate(context.get(), ASecond.data(), ASecond.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest.data(), nullptr) != 1)
        Fail(EU_ERROR_UNKNOWN, "SHA-1 is not available");
    return digest;
}

std::string_view View(const TDigest& ADigest)
{
    return {reinterpret_cast<const char*>(ADigest.data()), ADigest.size()};
}

// The key under one password, or nothing when the check value does not match.
std::optional<TSecretText> Unprotect(std::string_view ASalt, std::string_view AEncrypted, std::string_view ACheck,
                                     const TSecretText& APassword)
{
    const TSecretText password = JavaPasswordBytes(APassword);
    std::string plain(AEncrypted);
    TDigest block{};
    std::copy(ASalt.begin(), ASalt.end(), block.begin());
    for (std::size_t offset = 0; offset < plain.size(); offset += DigestSize) {
        block = Sha1(password.Text(), View(block));
        for (std::size_t i = 0; i < DigestSize && offset + i < plain.size(); ++i)
            plain[offset + i] = static_cast<char>(plain[offset + i] ^ block[i]);
    }
    OPENSSL_cleanse(block.data(), block.size());
    TSecretText result(plain);
    OPENSSL_cleanse(plain.data(), plain.size());
    const TDigest check = Sha1(password.Text(), result.Text());
    if (CRYPTO_memcmp(check.data(), ACheck.data(), DigestSize) != 0)
        return std::nullopt;
    return result;
}

}  // namespace

TSecretText UnprotectSunKey(std::string_view AProtected, const TKeyPasswords& APasswords)
{
    if (AProtected.size() <= 2 * DigestSize)
        Fail(EU_ERROR_KEY_DAMAGED, "protected key too short");
    const std::string_view salt = AProtected.substr(0, DigestSize);
    const std::string_view encrypted = AProtected.substr(DigestSize, AProtected.size() - 2 * DigestSize);
    const std::string_view check = AProtected.substr(AProtected.size() - DigestSize);
    for (const TSecretText& password : APasswords) {
        if (auto plain = Unprotect(salt, encrypted, check, password))
            return *plain;
    }
    Fail(EU_ERROR_BAD_PASSWORD, "wrong key password");
}

}  // namespace korvel::signlib
