#pragma once

// Helpers of the key-side tests of the signing library, which call it through its C interface.

#include "fixtures/TempDir.h"
#include "fixtures/TestKeys.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace korvel::test {

// The keys and certificates shared by the tests, made once per process (RSA keys take a while).
struct SharedTestKeys {
    TestAuthority Authority;
    TestSigner EcSigner;         // UkrainianSubject(), P-256
    TestSigner RsaSigner;        // UkrainianSubject(), RSA 2048
    TestSigner DirectorySigner;  // directory attributes beside the semantics identifiers
    TestSigner NamelessSigner;   // surname and given name, no common name
};
const SharedTestKeys& Keys();

inline constexpr const char* EcSignerSerial = "5E984D526F82F38F0400000012345678ABCDEF01";
inline constexpr const char* RsaSignerSerial = "A1B2C3";

// A private-key context of the library, freed with it.
struct KeyContextFree {
    void operator()(void* key) const { EUCtxFreePrivateKey(key); }
};
using KeyContextPtr = std::unique_ptr<void, KeyContextFree>;

// The owner information of a read key, texts back in UTF-8.
struct OwnerTexts {
    std::string Issuer, IssuerCN, Serial, Subject, SubjCN, SubjOrg, SubjFullName, SubjDRFOCode, SubjEDRPOUCode;
};

struct ReadResult {
    unsigned long Code = 0;
    KeyContextPtr Key;
    OwnerTexts Owner;
};

struct OwnCertificate {
    unsigned long Code = 0;
    OwnerTexts Texts;
    EU_TIME BeginTime{};
    EU_TIME EndTime{};
    std::string Der;
};

// An initialised library, a library context and a temporary program-data folder for each test.
class SignLibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;
    ReadResult ReadFile(const std::filesystem::path& file, const std::string& password) const;
    ReadResult ReadBytes(const std::string& bytes, const std::string& password) const;

    TempDir FTemp;
    EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FTemp.Path().string()};
    void* FContext = nullptr;
};

// Texts handed to the library are Windows-1251.
std::string Ansi(const std::string& utf8);
OwnCertificate EnumOwnCertificate(void* key, unsigned long index);
// Signs with the key inside the library's context and verifies with the certificate's public key.
bool KeyMatchesCertificate(void* key, X509* certificate);

}  // namespace korvel::test
