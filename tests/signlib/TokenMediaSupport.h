#pragma once

// What the key media tests share: a program-data folder whose config.ini names the media types, a
// SoftHSM of the test's own, keys made once per test program, and reading and using a token key
// through the library's interface.

#include "fixtures/CertificateMaker.h"
#include "fixtures/SoftHsmToken.h"
#include "fixtures/TempDir.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace korvel::test {

// A key read by the library, freed by it; tests look into the key and its certificate.
struct TokenKeyContextFree {
    void operator()(signlib::TPrivateKeyContext* context) const { EUCtxFreePrivateKey(context); }
};
using TokenKeyContextPtr = std::unique_ptr<signlib::TPrivateKeyContext, TokenKeyContextFree>;

struct TokenKeyRead {
    unsigned long Code = 0;
    TokenKeyContextPtr Context;
    bool OwnerFilled = false;
    std::string OwnerCommonName;  // UTF-8
    std::string OwnerSerial;
};

enum class TokenKeyType {
    P256,
    Rsa2048,
};

struct TokenTestKey {
    KeyPtr Key;
    CertificatePtr Certificate;
};

// A CA and signers with Cyrillic names, made once per test program: generating RSA keys takes a
// moment.
const TokenTestKey& SharedTokenKey(TokenKeyType type);
// A further P-256 key, for tokens that hold two keys.
const TokenTestKey& SecondTokenKey();
X509* TokenTestCa();
const std::filesystem::path& TokenTestCaFile();

// An initialised library with a library context, for each test.
class TokenMediaTest : public ::testing::Test {
protected:
    TokenMediaTest();
    ~TokenMediaTest() override;

    // Writes PKCS11_MODULES into config.ini.
    static void SetModules(const std::string& modules);

    // Every name the enumeration gives until code 7, and the code that ended it.
    static std::vector<std::string> MediaTypeNames(unsigned long* endCode = nullptr);
    static std::vector<std::string> DeviceNames(unsigned long typeIndex, unsigned long* endCode = nullptr);

    // EUCtxReadPrivateKey with a Windows-1251 password given here in UTF-8.
    TokenKeyRead ReadKey(unsigned long typeIndex, unsigned long deviceIndex, const std::string& utf8Pin) const;

    TempDir FProgramData;
    EnvGuard FProgramDataGuard;
    SoftHsmToken FSoftHsm;
    void* FLibraryContext = nullptr;
};

// The key signs data with EVP_DigestSign, and the signature verifies with the certificate's key.
::testing::AssertionResult SignsForCertificate(EVP_PKEY* key, X509* certificate);

}  // namespace korvel::test
